#include <cstdio>
int main() { std::puts("glyphforge-cli"); return 0; }
