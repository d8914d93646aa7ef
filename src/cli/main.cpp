// mirolan-cli: the catalogs from a terminal.
#include <cstdio>

int main() {
    std::fputs("mirolan-cli: no commands yet\n", stderr);
    return 2;
}
