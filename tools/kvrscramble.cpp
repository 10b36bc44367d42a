// kvrscramble: stores a plain text in the program scrambled with one key byte.
//
//   kvrscramble KEY NAME INPUT OUTPUT
//
// Reads INPUT (7-bit ASCII; line ends become CR LF, as the Windows controls want
// them) and writes OUTPUT, a C++ header that defines `NAME` (the text, every byte
// XOR KEY, NUL-terminated) and `NAMEKey` (the key). KEY (decimal or 0x hex) must lie
// from 0x80 to 0xFF, so that no scrambled ASCII byte is zero. Exits with 1 and a
// message when the key is out of range, the text is empty or holds a byte that is
// not 7-bit ASCII or is NUL, or a file cannot be read or written.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

int fail(const std::string& message) {
    std::fprintf(stderr, "kvrscramble: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5)
        return fail("usage: kvrscramble KEY NAME INPUT OUTPUT");
    char* end = nullptr;
    const unsigned long key = std::strtoul(argv[1], &end, 0);
    if (*argv[1] == '\0' || *end != '\0' || key < 0x80 || key > 0xFF)
        return fail("the key must lie from 0x80 to 0xFF");
    const std::string name = argv[2];

    std::ifstream input(argv[3], std::ios::binary);
    if (!input)
        return fail(std::string("cannot read ") + argv[3]);
    const std::string plain{std::istreambuf_iterator<char>(input), {}};
    if (plain.empty())
        return fail("the text is empty");

    std::string body;
    for (size_t i = 0; i < plain.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(plain[i]);
        if (byte == 0 || byte > 0x7F)
            return fail("byte " + std::to_string(i) + " is not 7-bit ASCII text");
        if (byte == '\r')
            continue;
        char escaped[8];
        if (byte == '\n') {
            std::snprintf(escaped, sizeof escaped, "\\x%02X", unsigned('\r' ^ key));
            body += escaped;
        }
        std::snprintf(escaped, sizeof escaped, "\\x%02X", unsigned(byte ^ key));
        body += escaped;
        if (byte == '\n')
            body += "\"\n    \"";
    }

    std::ofstream output(argv[4], std::ios::binary);
    output << "// Written by kvrscramble from " << argv[3] << ": do not edit.\n"
           << "#pragma once\n\n"
           << "#include <cstdint>\n\n"
           << "inline constexpr uint8_t " << name << "Key = 0x" << std::hex << key << std::dec
           << ";\n"
           << "inline constexpr char " << name << "[] =\n    \"" << body << "\";\n";
    output.close();
    if (!output)
        return fail(std::string("cannot write ") + argv[4]);
    return 0;
}
