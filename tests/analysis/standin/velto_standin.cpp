// Stands in for the viewer in the launcher's tests: writes its argument count and each argument
// on a line of its own into the file named by VX_STANDIN_OUT.
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  const char* out = std::getenv("VX_STANDIN_OUT");
  if (!out) return 2;
  std::FILE* f = std::fopen(out, "w");
  if (!f) return 3;
  std::fprintf(f, "%d\n", argc - 1);
  for (int i = 1; i < argc; ++i) std::fprintf(f, "%s\n", argv[i]);
  std::fclose(f);
  return 0;
}
