#include <cstdio>

int main() {
    std::puts("ostinel-cli");
    return 0;
}
