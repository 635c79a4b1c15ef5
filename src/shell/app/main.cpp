#include <cstdio>

int main(int argc, char** argv) {
  std::puts("LibHammer 6");
  return 0;
}
