// The lessons' serial link: one line out, optionally an answer back, on a port opened for just
// that exchange.
#include "scripts/serial/serial_link.h"
#include <cstdio>
#include <cstring>

namespace {

constexpr DWORD kExchangeSettleMs = 500;      // the instrument's time to get ready for a line
constexpr DWORD kReadIntervalMs = 1000;
constexpr DWORD kReadPerByteMs = 20;
constexpr DWORD kReadConstantMs = 100;
constexpr int kHighestPort = 16;
constexpr int kSettingsChars = 256;

// Parity code of a parity word by its first letter; -1 for an unknown letter.
int ParityCode(char letter) {
    switch (letter >= 'a' && letter <= 'z' ? letter - 32 : letter) {
    case 'N': return NOPARITY;
    case 'O': return ODDPARITY;
    case 'E': return EVENPARITY;
    case 'M': return MARKPARITY;
    case 'S': return SPACEPARITY;
    default: return -1;
    }
}

// Closes the handle on every path out of an exchange.
class CPortCloser {
public:
    explicit CPortCloser(CSerialLink& link) : m_link(link) {}
    ~CPortCloser() { m_link.Close(); }
    CPortCloser(const CPortCloser&) = delete;
    CPortCloser& operator=(const CPortCloser&) = delete;

private:
    CSerialLink& m_link;
};

}  // namespace

int SerialDevicePath(const char* name, char* path32) {
    if (!name || CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name, 3, "COM", 3) != CSTR_EQUAL)
        return kSerialBadPortName;
    const char* p = name + 3;
    int number = 0, digits = 0;
    for (; *p >= '0' && *p <= '9' && digits < 3; ++p, ++digits) number = number * 10 + (*p - '0');
    if (*p == ':') ++p;
    if (!digits || *p || number < 1 || number > kHighestPort) return kSerialBadPortName;
    // The name as given (without its colon) after the device prefix: "com3" opens as \\.\com3.
    std::snprintf(path32, 32, "\\\\.\\%.3s%d", name, number);
    return kSerialDone;
}

CSerialLink::CSerialLink()
    : m_handle(nullptr), m_portName("COM1:"), m_baudRate(9600), m_parity(NOPARITY), m_dataBits(8),
      m_stopBits(ONESTOPBIT) {}

CSerialLink::~CSerialLink() {
    if (m_handle) CloseHandle(m_handle);
}

int CSerialLink::SetPortName(const char* name) {
    lstrcpynA(m_portName, name ? name : "", sizeof m_portName);
    return kSerialDone;
}

// Reads "baud,data,stop,parity"; an unknown parity letter keeps the parity as it was.
int CSerialLink::Configure(const char* settings) {
    int baud = 0, data = 0, stop = 0;
    char parityWord[kSettingsChars] = "";
    if (!settings || std::sscanf(settings, "%d,%d,%d,%255s", &baud, &data, &stop, parityWord) < 4)
        return kSerialBadSettings;
    m_baudRate = static_cast<uint32_t>(baud);
    m_dataBits = static_cast<uint8_t>(data);
    m_stopBits = stop == 1 ? ONESTOPBIT : stop == 2 ? TWOSTOPBITS : ONE5STOPBITS;
    const int parity = ParityCode(parityWord[0]);
    if (parity >= 0) m_parity = static_cast<uint8_t>(parity);
    return kSerialDone;
}

int CSerialLink::Open(const char* name) {
    if (m_handle) return kSerialAlreadyOpen;
    char path[32];
    if (SerialDevicePath(name, path) != kSerialDone) return kSerialBadPortName;
    HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return kSerialCannotOpen;
    m_handle = h;
    return kSerialDone;
}

int CSerialLink::Close() {
    if (!m_handle) return kSerialNotOpen;
    CloseHandle(m_handle);
    m_handle = nullptr;
    return kSerialDone;
}

// Opens the named port and gives it the stored settings; the port is closed again when refused.
int CSerialLink::OpenConfigured() {
    const int opened = Open(m_portName);
    if (opened != kSerialDone) return opened;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(m_handle, &dcb)) {
        Close();
        return kSerialBadSettings;
    }
    dcb.BaudRate = m_baudRate;
    dcb.fParity = m_parity != NOPARITY;
    dcb.Parity = m_parity;
    dcb.StopBits = m_stopBits;
    dcb.ByteSize = m_dataBits;
    if (!SetCommState(m_handle, &dcb)) {
        Close();
        return kSerialBadSettings;
    }
    return kSerialDone;
}

// Writes the command followed by CR LF; kSerialIoFailed when not all of it went out.
int CSerialLink::WriteLine(const char* command) {
    char line[kSettingsChars + 2];
    const int n = std::snprintf(line, sizeof line, "%s\r\n", command ? command : "");
    const DWORD length = n < 0 ? 0 : static_cast<DWORD>(n < static_cast<int>(sizeof line) ? n : sizeof line - 1);
    DWORD written = 0;
    if (!WriteFile(m_handle, line, length, &written, nullptr) || written != length) return kSerialIoFailed;
    return kSerialDone;
}

int CSerialLink::Exchange(const char* command, char* reply, int replyLength) {
    const int opened = OpenConfigured();
    if (opened != kSerialDone) return opened;
    CPortCloser closer(*this);
    COMMTIMEOUTS timeouts{};
    if (!GetCommTimeouts(m_handle, &timeouts)) return kSerialBadSettings;
    timeouts.ReadIntervalTimeout = kReadIntervalMs;
    timeouts.ReadTotalTimeoutMultiplier = kReadPerByteMs;
    timeouts.ReadTotalTimeoutConstant = kReadConstantMs;
    if (!SetCommTimeouts(m_handle, &timeouts)) return kSerialBadSettings;
    Sleep(kExchangeSettleMs);
    if (WriteLine(command) != kSerialDone) return kSerialIoFailed;
    // The answer never reads past the read buffer, whatever length the caller asked for.
    char buffer[kSerialReplyBytes + 1] = {};
    const int wanted = replyLength < 0 ? 0 : replyLength > kSerialReplyBytes ? kSerialReplyBytes : replyLength;
    DWORD read = 0;
    if (!ReadFile(m_handle, buffer, static_cast<DWORD>(wanted), &read, nullptr)) return kSerialIoFailed;
    std::memset(reply, 0, static_cast<size_t>(wanted) + 1);
    for (DWORD i = 0; i < read && buffer[i]; ++i) reply[i] = buffer[i];
    return kSerialDone;
}

int CSerialLink::Send(const char* command) {
    const int opened = OpenConfigured();
    if (opened != kSerialDone) return opened;
    CPortCloser closer(*this);
    return WriteLine(command);
}

CSerialLink& ScriptSerialLink() {
    static CSerialLink link;
    return link;
}
