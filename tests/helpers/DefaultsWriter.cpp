// orvane-test-defaults-writer FILE KEY[,KEY...] VALUE
// Another process writing to a preferences domain, for the tests of writes from several
// processes. Exits 0 when every key reads back its value.

#include "platform/UserDefaults.h"

#include <cstdio>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: orvane-test-defaults-writer FILE KEY[,KEY...] VALUE\n", stderr);
        return 2;
    }
    orvane::UserDefaults defaults(argv[1]);
    const std::string value = argv[3];
    std::istringstream keys(argv[2]);
    int failures = 0;
    for (std::string key; std::getline(keys, key, ',');) {
        defaults.set(key, value);
        if (defaults.stringForKey(key) != value) {
            std::fprintf(stderr, "%s does not read back\n", key.c_str());
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
