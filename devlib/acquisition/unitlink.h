// The library's one link to the acquisition unit, through a transport: the unit's kernel-mode
// driver unless another transport is set.
#pragma once

#include <windows.h>

#include <cstdint>

#include "devlib/acquisition/transport.h"

// Transport kinds.
constexpr int32_t kTransportNone = 0;
constexpr int32_t kTransportIsa = 1;
constexpr int32_t kTransportPcCard = 2;
constexpr int32_t kTransportUsb = 3;

constexpr char kDefaultDriverPath[] = "\\\\.\\VKUSB";
constexpr char kDriverSettingsKey[] = "Software\\NORVANE\\TVX3x\\DriverSettings\\0000";

// For now the unit is only looked for: no packet is framed yet, so the link never stays open and
// every command fails the way it does without a unit.
class CUnitLink {
public:
    int32_t Open(const char* path, int32_t kind);
    void Close();
    int32_t QueryCommand(uint8_t command, uint16_t dataLength, const uint8_t* data, uint16_t replyLength,
                         uint8_t* reply);
    int32_t SetCommand(uint8_t command, uint16_t dataLength, const uint8_t* data);

    int32_t IsOpen() const { return m_device != nullptr; }
    int32_t Kind() const { return m_kind; }

    // Closes the link (its handles belong to the transport that opened them) and takes another
    // transport; returns the one it replaces.
    const stTransportOps* SetTransport(const stTransportOps* transport);

private:
    const stTransportOps* m_transport = &g_driverTransport;
    HANDLE m_adapter = nullptr;
    HANDLE m_device = nullptr;
    char m_path[MAX_PATH] = {};
    int32_t m_kind = kTransportIsa;
};

extern CUnitLink g_unitLink;

int32_t TransportKindFromPath(const char* path);

// Unit commands used so far.
constexpr uint8_t kCmdStop = 18;
