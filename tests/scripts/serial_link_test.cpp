// The lessons' serial link and the SERIALPORT word: the port name and settings rules, and real
// exchanges over a pseudo-terminal pair (socat) that Wine serves as COM12 (the lesson's end) and
// COM13 (the instrument's end, read and written by the test).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "scripts/engine/script_engine.h"
#include "scripts/serial/serial_link.h"
#include "base/app.h"
#include "base/notify.h"
#include "tests/scripts/script_file.h"

namespace {

constexpr DWORD kPortWaitMs = 30000;  // the longest the test waits for socat or for bytes

// The Unix path of a Windows path, through Wine's own conversion.
std::string UnixPath(const wchar_t* windowsPath) {
    using ToUnix = char* (CDECL*)(const wchar_t*);
    FARPROC entry = GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    ToUnix toUnix = nullptr;
    std::memcpy(&toUnix, &entry, sizeof toUnix);
    if (!toUnix) return "";
    char* unix = toUnix(windowsPath);
    if (!unix) return "";
    std::string result(unix);
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// Starts a Unix command line (Wine runs Unix programs given by their Unix path); no handle comes back.
bool StartUnixCommand(std::string commandLine) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    if (pi.hThread) CloseHandle(pi.hThread);
    if (pi.hProcess) CloseHandle(pi.hProcess);
    return true;
}

HANDLE OpenPort(int number) {
    char path[32];
    std::snprintf(path, sizeof path, "\\\\.\\COM%d", number);
    return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

// A socat pty pair linked into the prefix as two COM ports; the test holds the instrument's end
// open, with reads that return at once so that it can wait for bytes with a bound of its own.
class CSerialPair {
public:
    static constexpr int kLessonPort = 12;
    static constexpr int kInstrumentPort = 13;

    CSerialPair() {
        std::string drive = UnixPath(L"C:\\");  // <prefix>/dosdevices/c:/ or <prefix>/drive_c/
        while (!drive.empty() && drive.back() == '/') drive.pop_back();
        std::string parent = drive.substr(0, drive.rfind('/'));
        const bool inDosDevices = parent.size() >= 10 && parent.compare(parent.size() - 10, 10, "dosdevices") == 0;
        const std::string devices = inDosDevices ? parent : parent + "/dosdevices";
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        m_pidFile = std::string(temp) + "kyserial_socat_" + std::to_string(GetCurrentProcessId()) + ".pid";
        DeleteFileA(m_pidFile.c_str());
        const std::wstring widePid(m_pidFile.begin(), m_pidFile.end());
        const std::string unixPid = UnixPath(widePid.c_str());
        const std::string a = devices + "/com" + std::to_string(kLessonPort);
        const std::string b = devices + "/com" + std::to_string(kInstrumentPort);
        // Each pty end is first held open by a process in a session of its own, so that it
        // becomes that session's terminal and not the Wine server's: socat's exit then hangs up
        // only the holders. The pid file (socat's pid) appears once both ends are held.
        const std::string hold = "/usr/bin/setsid /bin/sh -c 'exec 3<>$0 && : >$0.held && exec sleep 600' ";
        m_started = !drive.empty() && !unixPid.empty() &&
                    StartUnixCommand("/bin/sh -c \"rm -f " + a + " " + b + " " + a + ".held " + b + ".held; " +
                                     "/usr/bin/socat -T 600 pty,raw,echo=0,link=" + a + " pty,raw,echo=0,link=" + b +
                                     " & s=$!; n=0; while [ ! -e " + a + " -o ! -e " + b + " ] && [ $n -lt 600 ]; " +
                                     "do sleep 0.05; n=$((n+1)); done; " + hold + a + " & " + hold + b + " & " +
                                     "n=0; while [ ! -e " + a + ".held -o ! -e " + b + ".held ] && [ $n -lt 600 ]; " +
                                     "do sleep 0.05; n=$((n+1)); done; rm -f " + a + ".held " + b + ".held; " +
                                     "echo $s >" + unixPid + "\"");
        for (DWORD waited = 0; m_started && waited < kPortWaitMs && !PidFileWritten(); waited += 20) Sleep(20);
        for (DWORD waited = 0; m_started && waited < kPortWaitMs; waited += 20) {
            m_instrument = OpenPort(kInstrumentPort);
            if (m_instrument != INVALID_HANDLE_VALUE) break;
            Sleep(20);
        }
        if (m_instrument == INVALID_HANDLE_VALUE) return;
        COMMTIMEOUTS immediate{MAXDWORD, 0, 0, 0, 0};
        SetCommTimeouts(m_instrument, &immediate);
    }
    ~CSerialPair() {
        if (m_instrument != INVALID_HANDLE_VALUE) CloseHandle(m_instrument);
        FILE* f = std::fopen(m_pidFile.c_str(), "r");
        int pid = 0;
        if (f) {
            if (std::fscanf(f, "%d", &pid) != 1) pid = 0;
            std::fclose(f);
        }
        if (pid > 0) StartUnixCommand("/bin/kill " + std::to_string(pid));
        // socat removes its links on the way out: the next pair must not meet the old one's.
        for (DWORD waited = 0; pid > 0 && waited < kPortWaitMs; waited += 20) {
            HANDLE h = OpenPort(kLessonPort);
            if (h == INVALID_HANDLE_VALUE) break;
            CloseHandle(h);
            Sleep(20);
        }
        DeleteFileA(m_pidFile.c_str());
    }
    bool PidFileWritten() const {
        FILE* f = std::fopen(m_pidFile.c_str(), "r");
        int pid = 0;
        if (f) {
            if (std::fscanf(f, "%d", &pid) != 1) pid = 0;
            std::fclose(f);
        }
        return pid > 0;
    }
    bool Ready() const { return m_instrument != INVALID_HANDLE_VALUE; }

    // The instrument answers: the bytes go out on its end, and the test waits until they wait
    // in the lesson end's input queue, so that the lesson's read finds them there.
    bool Answer(const std::string& bytes) {
        DWORD written = 0;
        if (!WriteFile(m_instrument, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written != bytes.size())
            return false;
        HANDLE lesson = OpenPort(kLessonPort);
        if (lesson == INVALID_HANDLE_VALUE) return false;
        bool queued = false;
        for (DWORD waited = 0; !queued && waited < kPortWaitMs; waited += 20) {
            COMSTAT stat{};
            DWORD errors = 0;
            queued = ClearCommError(lesson, &errors, &stat) && stat.cbInQue >= bytes.size();
            if (!queued) Sleep(20);
        }
        CloseHandle(lesson);
        return queued;
    }
    // What reached the instrument: reads until `count` bytes came or the bound passed.
    std::string Received(size_t count) {
        std::string got;
        for (DWORD waited = 0; got.size() < count && waited < kPortWaitMs;) {
            char chunk[512];
            DWORD read = 0;
            if (!ReadFile(m_instrument, chunk, sizeof chunk, &read, nullptr)) break;
            got.append(chunk, read);
            if (!read) {
                Sleep(20);
                waited += 20;
            }
        }
        return got;
    }

private:
    bool m_started = false;
    HANDLE m_instrument = INVALID_HANDLE_VALUE;
    std::string m_pidFile;
};

int16_t StopOnError(const char*) { return 0; }

class SerialWords : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = g_scriptHostCalls;
        g_scriptHostCalls.getScriptNumericVariable = GetScriptNumericVariable;
        SetScriptErrorHook(StopOnError);
        for (int i = 0; i < 26; ++i) {
            g_script.variables[i] = -1.0;
            std::strcpy(g_script.strings[i], "old");
        }
        ScriptSerialLink().SetPortName("COM15");  // never the host's own COM1
        ScriptSerialLink().Configure("9600,8,1,N");
    }
    void TearDown() override {
        SplitScriptIntoSubroutines(LoadedScript(), nullptr);
        SetScriptErrorHook(nullptr);
        g_scriptHostCalls = saved_;
    }
    // Runs the lines as the body of Main; the run's result.
    static int16_t RunLines(const std::string& body) {
        ScriptFile file("serial test\nMain\n" + body + "END\n", "serial");
        int stored = 0;
        EXPECT_EQ(ReplaceLoadedScript(file.Path(), &stored), 1);
        return RunScriptSubroutine(LoadedScript(), "Main", 0);
    }
    static double Var(char letter) { return g_script.variables[letter - 'A']; }
    static std::string Str(char letter) { return g_script.strings[letter - 'A']; }
    stScriptHostCalls saved_;
};

}  // namespace

// ---- The link's rules, without a port ----

TEST(SerialLink, PortNamesTakeTheDevicePathOfCom1To16) {
    struct Case {
        const char* name;
        int result;
        const char* path;
    };
    const Case cases[] = {
        {"com3", kSerialDone, "\\\\.\\com3"},    {"COM3:", kSerialDone, "\\\\.\\COM3"},
        {"COM1", kSerialDone, "\\\\.\\COM1"},    {"COM16", kSerialDone, "\\\\.\\COM16"},
        {"Com12:", kSerialDone, "\\\\.\\Com12"}, {"COM17", kSerialBadPortName, ""},
        {"COM0", kSerialBadPortName, ""},        {"LPT1", kSerialBadPortName, ""},
        {"COM", kSerialBadPortName, ""},         {"COM3x", kSerialBadPortName, ""},
        {"COM100", kSerialBadPortName, ""},      {"", kSerialBadPortName, ""},
    };
    for (const Case& c : cases) {
        char path[32] = "";
        EXPECT_EQ(SerialDevicePath(c.name, path), c.result) << c.name;
        if (c.result == kSerialDone) {
            EXPECT_STREQ(path, c.path) << c.name;
        }
    }
    CSerialLink link;
    EXPECT_EQ(link.Open("COM17"), kSerialBadPortName);
    EXPECT_EQ(link.Open("LPT1"), kSerialBadPortName);
    EXPECT_EQ(link.Open("COM16"), kSerialCannotOpen) << "no such port in the test prefix";
    EXPECT_EQ(link.Close(), kSerialNotOpen);
    EXPECT_FALSE(link.IsOpen());
}

TEST(SerialLink, SettingsTextsSetBaudBitsStopCodeAndParity) {
    struct Case {
        const char* text;
        int result;
        uint32_t baud;
        int data, stop, parity;
    };
    // Each text applies to the settings the one before left.
    const Case cases[] = {
        {"19200,7,2,e", kSerialDone, 19200, 7, TWOSTOPBITS, EVENPARITY},
        {"9600,8,1", kSerialBadSettings, 19200, 7, TWOSTOPBITS, EVENPARITY},
        {"9600,8,1,", kSerialBadSettings, 19200, 7, TWOSTOPBITS, EVENPARITY},
        {"4800,8,3,Q", kSerialDone, 4800, 8, ONE5STOPBITS, EVENPARITY},
        {"2400,8,1,Odd", kSerialDone, 2400, 8, ONESTOPBIT, ODDPARITY},
        {"1200,5,1,mark", kSerialDone, 1200, 5, ONESTOPBIT, MARKPARITY},
        {"1200,5,1,S", kSerialDone, 1200, 5, ONESTOPBIT, SPACEPARITY},
        {"115200,8,1,None", kSerialDone, 115200, 8, ONESTOPBIT, NOPARITY},
        {"fast,8,1,N", kSerialBadSettings, 115200, 8, ONESTOPBIT, NOPARITY},
    };
    CSerialLink link;
    EXPECT_STREQ(link.PortName(), "COM1:");
    for (const Case& c : cases) {
        EXPECT_EQ(link.Configure(c.text), c.result) << c.text;
        EXPECT_EQ(link.BaudRate(), c.baud) << c.text;
        EXPECT_EQ(link.DataBits(), c.data) << c.text;
        EXPECT_EQ(link.StopBits(), c.stop) << c.text;
        EXPECT_EQ(link.Parity(), c.parity) << c.text;
    }
}

// ---- The word, without a port ----

TEST_F(SerialWords, WordsWithoutAnInstrumentReportThroughTheirVariables) {
    const int16_t result = RunLines(
        "SERIALPORT SETPARAM 19200, 7, 2, E, B\n"
        "SERIALPORT SETPARAM 4800, 8, 1\n"       // three words: the settings end in a comma
        "SERIALPORT NAME \"COM15\"\n"            // nothing answers there
        "SERIALPORT OUTINPUT \"ID?\", S$, 20, C\n"
        "SERIALPORT OUT \"ID?\", D\n"
        "SERIALPORT NAME \"LPT1\"\n"
        "SERIALPORT OUT \"ID?\", E\n"
        "SERIALPORT OUTINPUT \"ID?\", T@, 20\n"
        "SERIALPORT LISTEN 1, 2, 3\n"            // an unknown word does nothing
        "SERIALPORT\n"
        "F = 1\n");
    EXPECT_EQ(result, kScriptGoOn);
    EXPECT_EQ(Var('B'), 1);
    EXPECT_EQ(ScriptSerialLink().BaudRate(), 19200u) << "the three-word settings were refused";
    EXPECT_EQ(ScriptSerialLink().DataBits(), 7);
    EXPECT_EQ(ScriptSerialLink().StopBits(), TWOSTOPBITS);
    EXPECT_EQ(ScriptSerialLink().Parity(), EVENPARITY);
    EXPECT_EQ(Var('C'), 0) << "a port that cannot be opened";
    EXPECT_EQ(Str('S'), "") << "the answer is emptied on failure";
    EXPECT_EQ(Var('D'), 0);
    EXPECT_EQ(Var('E'), 0) << "LPT1 is no serial port";
    EXPECT_STREQ(g_script.macroStrings['T' - 'A'], "");
    EXPECT_EQ(Var('F'), 1) << "the script goes on after every form";
    EXPECT_STREQ(ScriptSerialLink().PortName(), "LPT1");
    EXPECT_FALSE(ScriptSerialLink().IsOpen()) << "the port is open only during an exchange";
}

TEST_F(SerialWords, MalformedResultVariablesFailTheStatement) {
    const char* const lines[] = {
        "SERIALPORT OUT \"X\", 7\n",
        "SERIALPORT OUTINPUT \"X\", S, 10, A\n",
        "SERIALPORT SETPARAM 9600, 8, 1, N, A$\n",
    };
    for (const char* line : lines) {
        g_script.variables[0] = -1.0;
        EXPECT_EQ(RunLines(std::string(line) + "A = 5\n"), kScriptStop) << line;
        EXPECT_EQ(Var('A'), -1) << line;
    }
}

// ---- Through a real serial device ----

TEST_F(SerialWords, LinesGoOutAndAnswersComeBackOnCom12) {
    CSerialPair pair;
    ASSERT_TRUE(pair.Ready()) << "socat's pty pair did not appear as COM" << CSerialPair::kInstrumentPort;
    ASSERT_EQ(RunLines("SERIALPORT NAME \"COM12\"\n"
                       "SERIALPORT SETPARAM 19200, 8, 1, N, A\n"
                       "SERIALPORT OUT \"RATE 10\", B\n"),
              kScriptGoOn);
    EXPECT_EQ(Var('A'), 1);
    EXPECT_EQ(Var('B'), 1);
    EXPECT_EQ(pair.Received(9), "RATE 10\r\n");

    // The answer is shorter than asked for: the read ends on its time-outs with what came.
    ASSERT_TRUE(pair.Answer("12.5 mV\r\n"));
    ASSERT_EQ(RunLines("SERIALPORT OUTINPUT \"READ? 1\", S$, 40, C\n"), kScriptGoOn);
    EXPECT_EQ(pair.Received(9), "READ? 1\r\n");
    EXPECT_EQ(Var('C'), 1);
    EXPECT_EQ(Str('S'), "12.5 mV\r\n");

    // A length cuts the answer; the rest waits for the next exchange.
    ASSERT_TRUE(pair.Answer("ABCDEF"));
    ASSERT_EQ(RunLines("SERIALPORT OUTINPUT \"ID?\", Q@, 3.9, D\n"
                       "SERIALPORT OUTINPUT \"MORE\", R$, 3, E\n"),
              kScriptGoOn);
    EXPECT_EQ(pair.Received(11), "ID?\r\nMORE\r\n");
    EXPECT_STREQ(g_script.macroStrings['Q' - 'A'], "ABC") << "3.9 is cut to 3";
    EXPECT_EQ(Str('R'), "DEF");
    EXPECT_EQ(Var('D'), 1);
    EXPECT_EQ(Var('E'), 1);
    EXPECT_FALSE(ScriptSerialLink().IsOpen());
}

TEST_F(SerialWords, AnAnswerLongerThanAStringIsCutNotOverflowed) {
    CSerialPair pair;
    ASSERT_TRUE(pair.Ready()) << "socat's pty pair did not appear as COM" << CSerialPair::kInstrumentPort;
    const std::string flood(300, 'x');
    ASSERT_TRUE(pair.Answer(flood));
    ASSERT_EQ(RunLines("SERIALPORT NAME \"COM12\"\n"
                       "SERIALPORT OUTINPUT \"DUMP\", S$, 1000, A\n"),
              kScriptGoOn);
    EXPECT_EQ(pair.Received(6), "DUMP\r\n");
    EXPECT_EQ(Var('A'), 1);
    EXPECT_EQ(Str('S'), std::string(kScriptStringChars, 'x'));
    EXPECT_EQ(Str('T'), "old") << "the next string variable is untouched";
}

TEST(SerialLinkDevice, AnExchangeNeverReadsPastItsBuffer) {
    CSerialPair pair;
    ASSERT_TRUE(pair.Ready()) << "socat's pty pair did not appear as COM" << CSerialPair::kInstrumentPort;
    ASSERT_TRUE(pair.Answer(std::string(300, 'y')));
    CSerialLink link;
    link.SetPortName("com12");
    // A caller that asks for more than the link reads gets the read buffer's worth; the rest of
    // its own buffer is not written.
    std::string reply(1001, '#');
    EXPECT_EQ(link.Exchange("DUMP", &reply[0], 1000), kSerialDone);
    EXPECT_EQ(pair.Received(6), "DUMP\r\n");
    EXPECT_EQ(std::strlen(reply.c_str()), static_cast<size_t>(kSerialReplyBytes));
    EXPECT_EQ(reply.find_first_not_of('y'), static_cast<size_t>(kSerialReplyBytes));
    EXPECT_EQ(reply.substr(kSerialReplyBytes + 1), std::string(1000 - kSerialReplyBytes, '#'));
    EXPECT_FALSE(link.IsOpen());
}
