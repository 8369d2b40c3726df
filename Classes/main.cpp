#include <cstdio>

int main() {
    std::puts("Strumwell");
    return 0;
}
