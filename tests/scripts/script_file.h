// A lesson script written to a file of the temp folder for the engine to load, deleted again at
// the end of its scope.
#pragma once
#include <windows.h>

#include <cstdio>
#include <string>

// Written with CR LF line ends, as an editor leaves them; tag keeps one test's files apart from
// another's.
class ScriptFile {
public:
    explicit ScriptFile(const std::string& text, const char* tag = "s") {
        char dir[MAX_PATH];
        GetTempPathA(sizeof dir, dir);
        m_path = std::string(dir) + "kyscript_" + tag + "_" + std::to_string(GetCurrentProcessId()) + "_" +
                 std::to_string(s_serial++) + ".scr";
        std::string crlf;
        for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        FILE* f = std::fopen(m_path.c_str(), "wb");
        std::fwrite(crlf.data(), 1, crlf.size(), f);
        std::fclose(f);
    }
    ~ScriptFile() { DeleteFileA(m_path.c_str()); }
    ScriptFile(const ScriptFile&) = delete;
    ScriptFile& operator=(const ScriptFile&) = delete;
    const char* Path() const { return m_path.c_str(); }

private:
    std::string m_path;
    static inline int s_serial = 0;
};
