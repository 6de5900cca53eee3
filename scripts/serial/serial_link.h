// The lessons' one serial link to an instrument: it keeps a port name and its settings, and opens
// the port anew for every line it sends or exchanges, closing it again afterwards.
#pragma once
#include <windows.h>
#include <cstdint>

// Result codes of the link's operations.
enum SerialResult : int {
    kSerialDone = 1,
    kSerialAlreadyOpen = -2,
    kSerialNotOpen = -4,
    kSerialCannotOpen = -5,
    kSerialIoFailed = -6,
    kSerialBadPortName = -7,
    kSerialBadSettings = -8,
};

constexpr int kSerialNameChars = 256;    // port name, terminator included
constexpr int kSerialReplyBytes = 256;   // the read buffer: the longest reply an exchange reads

// The device path of a port name: "COM" (any case) and a number from 1 to 16, optionally followed
// by ":". The path takes the "\\.\COMn" form, which reaches COM10 and above as well as COM1-9.
// Returns kSerialDone with the path in path32, or kSerialBadPortName.
int SerialDevicePath(const char* name, char* path32);

class CSerialLink {
public:
    CSerialLink();
    ~CSerialLink();
    CSerialLink(const CSerialLink&) = delete;
    CSerialLink& operator=(const CSerialLink&) = delete;

    int SetPortName(const char* name);
    // "baud,data,stop,parity word"; fewer than four fields give kSerialBadSettings and change nothing.
    int Configure(const char* settings);
    int Open(const char* name);
    int Close();
    // Sends the command as one line and reads up to replyLength bytes of answer (at most the read
    // buffer's kSerialReplyBytes) into reply, which must hold replyLength + 1 bytes.
    int Exchange(const char* command, char* reply, int replyLength);
    // Sends the command as one line.
    int Send(const char* command);

    const char* PortName() const { return m_portName; }
    uint32_t BaudRate() const { return m_baudRate; }
    uint8_t Parity() const { return m_parity; }
    uint8_t DataBits() const { return m_dataBits; }
    uint8_t StopBits() const { return m_stopBits; }
    bool IsOpen() const { return m_handle != nullptr; }

private:
    int OpenConfigured();
    int WriteLine(const char* command);

    HANDLE m_handle;
    char m_portName[kSerialNameChars];
    uint32_t m_baudRate;
    uint8_t m_parity;
    uint8_t m_dataBits;
    uint8_t m_stopBits;
};

// The one link every lesson uses, for the life of the process.
CSerialLink& ScriptSerialLink();
