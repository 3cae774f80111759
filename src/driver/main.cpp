// keelforge file.cob: converts one binary COB scene into "test.pof".
#include "driver/run.h"
#include "keelforge.h"

#include <cstdio>

int main(int argc, char** argv) {
    // The report runs to thousands of lines; it leaves in large blocks, not
    // a write per line (it is all written by the time the program ends).
    static char report_buffer[1 << 16];
    std::setvbuf(stdout, report_buffer, _IOFBF, sizeof report_buffer);
    std::vector<std::string> args(argv, argv + argc);
    try {
        return kf::run(args, stdout);
    } catch (const kf::Fatal& e) {
        std::fputs(e.what(), stdout);
        std::fflush(stdout);
        return e.status();
    } catch (const std::bad_alloc&) {
        std::fputs(" Error: not enough memory\n", stdout);
        return 1;
    }
}
