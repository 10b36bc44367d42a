#include "startup/install_switches.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Case-insensitive: does `text` (of `length` bytes) begin with `prefix`?
bool startsWith(const char* text, size_t length, const char* prefix) {
    const size_t count = std::strlen(prefix);
    if (length < count) {
        return false;
    }
    for (size_t i = 0; i < count; ++i) {
        if (lower(text[i]) != prefix[i]) {
            return false;
        }
    }
    return true;
}

bool equalsIgnoringCase(const char* text, size_t length, const char* word) {
    return length == std::strlen(word) && startsWith(text, length, word);
}

const char* skipBlanks(const char* c) {
    while (isBlank(*c)) {
        ++c;
    }
    return c;
}

// One switch of the line, its quotes removed.
struct Token {
    char text[kSwitchValueSize + 16] = "";
    size_t length = 0;
};

enum class TokenResult { token, end, unclosedQuote, tooLong };

// Reads the next blank-delimited token from `*cursor`, moving it past the token.
TokenResult nextToken(const char** cursor, Token* token) {
    const char* c = skipBlanks(*cursor);
    if (*c == '\0') {
        *cursor = c;
        return TokenResult::end;
    }
    bool quoted = false;
    token->length = 0;
    for (; *c != '\0' && (quoted || !isBlank(*c)); ++c) {
        if (*c == '"') {
            quoted = !quoted;
            continue;
        }
        if (token->length + 1 >= sizeof token->text) {
            return TokenResult::tooLong;
        }
        token->text[token->length++] = *c;
    }
    token->text[token->length] = '\0';
    *cursor = c;
    return quoted ? TokenResult::unclosedQuote : TokenResult::token;
}

struct ValueSwitch {
    const char* name;  // with its "=", lower case
    bool InstallSwitches::*given;
    char (InstallSwitches::*value)[kSwitchValueSize];
    bool emptyAllowed;
};

const ValueSwitch kValueSwitches[] = {
    {"/log=", &InstallSwitches::hasLog, &InstallSwitches::log, false},
    {"/dir=", &InstallSwitches::hasDir, &InstallSwitches::dir, false},
    {"/group=", &InstallSwitches::hasGroup, &InstallSwitches::group, false},
    {"/datadir=", &InstallSwitches::hasDataDir, &InstallSwitches::dataDir, false},
    {"/tasks=", &InstallSwitches::hasTasks, nullptr, true},
    {"/temp=", &InstallSwitches::hasTemp, &InstallSwitches::temp, false},
};

bool refuse(char (&reason)[kSwitchReasonSize], const char* format, ...)
    __attribute__((format(printf, 2, 3)));
bool refuse(char (&reason)[kSwitchReasonSize], const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(reason, sizeof reason, format, arguments);
    va_end(arguments);
    return false;
}

bool parseTasks(const char* list, InstallSwitches* switches, char (&reason)[kSwitchReasonSize]) {
    if (*list == '\0') {
        return true;
    }
    for (const char* item = list;;) {
        const char* comma = std::strchr(item, ',');
        const size_t length =
            comma != nullptr ? static_cast<size_t>(comma - item) : std::strlen(item);
        if (equalsIgnoringCase(item, length, "desktop")) {
            switches->desktopIcon = true;
        } else if (equalsIgnoringCase(item, length, "quicklaunch")) {
            switches->quickLaunchIcon = true;
        } else {
            return refuse(reason, "/tasks: unknown task \"%.*s\" (known: desktop, quicklaunch)",
                          static_cast<int>(length < 64 ? length : 64), item);
        }
        if (comma == nullptr) {
            return true;
        }
        item = comma + 1;
    }
}

bool parseToken(const Token& token, InstallSwitches* switches, char (&reason)[kSwitchReasonSize]) {
    const char* text = token.text;
    const size_t length = token.length;
    if (equalsIgnoringCase(text, length, "/silent")) {
        if (switches->silent) {
            return refuse(reason, "/silent is given twice");
        }
        switches->silent = true;
        return true;
    }
    for (const ValueSwitch& known : kValueSwitches) {
        if (!startsWith(text, length, known.name)) {
            continue;
        }
        const size_t nameLength = std::strlen(known.name) - 1;
        if (switches->*known.given) {
            return refuse(reason, "%.*s is given twice", static_cast<int>(nameLength), known.name);
        }
        switches->*known.given = true;
        const char* value = text + nameLength + 1;
        const size_t valueLength = length - nameLength - 1;
        if (valueLength == 0 && !known.emptyAllowed) {
            return refuse(reason, "%.*s has no value", static_cast<int>(nameLength), known.name);
        }
        if (valueLength + 1 > kSwitchValueSize) {
            return refuse(reason, "%.*s: the value is longer than %d characters",
                          static_cast<int>(nameLength), known.name,
                          static_cast<int>(kSwitchValueSize - 1));
        }
        for (size_t i = 0; i < valueLength; ++i) {
            if (static_cast<unsigned char>(value[i]) < 0x20) {
                return refuse(reason, "%.*s: the value holds a control character",
                              static_cast<int>(nameLength), known.name);
            }
        }
        if (known.value == nullptr) {
            return parseTasks(value, switches, reason);
        }
        std::memcpy(switches->*known.value, value, valueLength + 1);
        return true;
    }
    return refuse(reason, "unknown switch \"%.*s\"", static_cast<int>(length < 64 ? length : 64),
                  text);
}

}  // namespace

bool isSwitchLine(const char* line) {
    if (line == nullptr) {
        return false;
    }
    const char* c = skipBlanks(line);
    const size_t length = std::strlen(c);
    if (startsWith(c, length, "/silent")) {
        return c[7] == '\0' || isBlank(c[7]);
    }
    return startsWith(c, length, "/log=");
}

bool parseInstallSwitches(const char* line, InstallSwitches* switches,
                          char (&reason)[kSwitchReasonSize]) {
    reason[0] = '\0';
    *switches = InstallSwitches();
    const char* cursor = line != nullptr ? line : "";
    int refused = 0;
    for (;;) {
        Token token;
        switch (nextToken(&cursor, &token)) {
            case TokenResult::end:
                return refused == 0;
            case TokenResult::unclosedQuote:
                return refused != 0 ? false : refuse(reason, "a quote is not closed");
            case TokenResult::tooLong:
                return refused != 0 ? false
                                    : refuse(reason, "a switch is longer than %d characters",
                                             static_cast<int>(sizeof token.text - 1));
            case TokenResult::token:
                // The first refusal is the reason; the rest of the line is still
                // read, so that /silent and /log take effect for the refusal too.
                char tokenReason[kSwitchReasonSize];
                if (!parseToken(token, switches, tokenReason) && refused++ == 0) {
                    std::memcpy(reason, tokenReason, sizeof reason);
                }
                break;
        }
    }
}
