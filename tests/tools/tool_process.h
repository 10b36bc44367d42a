// Running the host tools as processes on files in a private temporary folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A fresh folder below $TMPDIR (or /tmp), removed with everything in it on destruction.
class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

struct ToolResult {
    int exitCode;        // -1 when the tool did not exit normally
    std::string output;  // stdout and stderr together
};

// Runs `program` with `arguments`, each passed verbatim (no shell expansion).
ToolResult runTool(const std::string& program, const std::vector<std::string>& arguments);

void writeFile(const std::string& path, const std::string& contents);
std::vector<uint8_t> readBytes(const std::string& path);
bool fileExists(const std::string& path);
