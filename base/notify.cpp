// The notification table; empty until the shell fills it at start-up.
#include "base/notify.h"

stNotifications g_notify = {};
