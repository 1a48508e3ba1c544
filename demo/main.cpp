// The demo program's entry. The player and its effects land in later steps;
// until then this only proves that everything builds and links.
#include <cstdio>

int main() {
    std::puts("The demo is not playable yet: the player and its effects are still being built.");
    return 0;
}
