// bench_make_points [FILE [COUNT]]: writes the survey points drawing the
// DXF benchmarks read (default /tmp/geltaro-bench/points50k.dxf, 50000 points).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace geltaro::bench {
bool makePointsDrawing(const std::string& path, int count, std::string& error);
}

int main(int argc, char** argv) {
  std::string path = argc > 1 ? argv[1] : "/tmp/geltaro-bench/points50k.dxf";
  int count = argc > 2 ? std::atoi(argv[2]) : 50000;
  if (count <= 0) {
    std::fprintf(stderr, "usage: bench_make_points [FILE [COUNT]]\n");
    return 2;
  }
  std::error_code ec;
  std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (!parent.empty()) std::filesystem::create_directories(parent, ec);
  std::string error;
  if (!geltaro::bench::makePointsDrawing(path, count, error)) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
    return 1;
  }
  std::printf("%s: %d points, %ju bytes\n", path.c_str(), count,
              std::uintmax_t(std::filesystem::file_size(path, ec)));
  return 0;
}
