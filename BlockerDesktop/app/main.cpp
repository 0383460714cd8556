// orvane: the desktop application.

#include "app/OrvaneApplication.h"
#include "platform/Log.h"

int main(int argc, char** argv) {
    orvane::logToStandardOutput();
    return orvane::desktop::OrvaneApplication::create()->run(argc, argv);
}
