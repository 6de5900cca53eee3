// Resource ids of the dialog tests' templates.
#pragma once

#define IDD_TEST_PANEL 300
#define IDD_MISSING 399
#define IDC_TEST_EDIT 310
