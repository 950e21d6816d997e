// Loading a large course: the BMP reader through TPicture::LoadFromFile
// against a plain read of the same file into a buffer, the floor that a
// reader that keeps the file's pixel format should come close to, and
// against stb_image, a popular single-header reader, loading the same file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/picture/picture.h"
#include "support/bmp_builder.h"

// The reader's code is compiled here, for BMP files only. A system header:
// its code is not held to the project's warnings.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#include <stb/stb_image.h>

namespace {

constexpr int kSide = 4000;

// The course files, written once into a scratch directory.
class Courses {
 public:
  Courses() {
    char pattern[] = "/tmp/ormakin-bench-XXXXXX";
    const char* dir = ::mkdtemp(pattern);
    dir_ = dir != nullptr ? dir : "/tmp";
  }
  ~Courses() {
    for (const auto& [key, path] : paths_) {
      std::remove(path.c_str());
    }
    ::rmdir(dir_.c_str());
  }
  const std::string& Path(int bitsPerPixel) {
    auto it = paths_.find(bitsPerPixel);
    if (it != paths_.end()) {
      return it->second;
    }
    // bitsPerPixel 0 stands for the RLE8 course.
    const auto bytes = bitsPerPixel == 0
                           ? ormakin::testing::BuildRle8Course(kSide, kSide)
                           : ormakin::testing::BuildCourse(kSide, kSide, bitsPerPixel);
    const std::string path = dir_ + "/course" + std::to_string(bitsPerPixel) + ".bmp";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f != nullptr) {
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
    return paths_.emplace(bitsPerPixel, path).first->second;
  }

 private:
  std::string dir_;
  std::map<int, std::string> paths_;
};

Courses& TheCourses() {
  static Courses courses;
  return courses;
}

long FileSize(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    return 0;
  }
  std::fseek(f, 0, SEEK_END);
  const long size = std::ftell(f);
  std::fclose(f);
  return size;
}

void BM_LoadCourse(benchmark::State& state) {
  const std::string& path = TheCourses().Path(static_cast<int>(state.range(0)));
  const long size = FileSize(path);
  for (auto _ : state) {
    ormakin::TPicture picture;
    picture.LoadFromFile(path);
    benchmark::DoNotOptimize(picture.Bitmap()->GetPixel(kSide / 2, kSide / 8));
  }
  state.SetBytesProcessed(state.iterations() * size);
}

// The floor: open, read the whole file into a fresh buffer, close.
void BM_PlainRead(benchmark::State& state) {
  const std::string& path = TheCourses().Path(static_cast<int>(state.range(0)));
  const long size = FileSize(path);
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    std::unique_ptr<char[]> buffer = std::make_unique_for_overwrite<char[]>(size);
    long done = 0;
    while (done < size) {
      const ssize_t got = ::read(fd, buffer.get() + done, static_cast<std::size_t>(size - done));
      if (got <= 0) {
        break;
      }
      done += got;
    }
    ::close(fd);
    benchmark::DoNotOptimize(buffer[static_cast<std::size_t>(size / 2)]);
  }
  state.SetBytesProcessed(state.iterations() * size);
}

// The peer: stb_image decodes the same file into its own pixel buffer, in
// the file's own number of channels (a table course becomes RGB). A file it
// does not read is reported as an error with its reason, so the table can
// say so.
void BM_StbLoad(benchmark::State& state) {
  const std::string& path = TheCourses().Path(static_cast<int>(state.range(0)));
  const long size = FileSize(path);
  for (auto _ : state) {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::unique_ptr<stbi_uc, decltype(&stbi_image_free)> pixels(
        stbi_load(path.c_str(), &width, &height, &channels, 0), &stbi_image_free);
    if (!pixels) {
      state.SkipWithError((std::string("stb_image: ") + stbi_failure_reason()).c_str());
      break;
    }
    benchmark::DoNotOptimize(pixels.get()[static_cast<std::size_t>(width) * channels]);
  }
  state.SetBytesProcessed(state.iterations() * size);
}

// 1, 8, 24 and 32 bits per pixel, and 0 for the RLE8 course. CPU time: the
// file stays in the page cache, so reading it is work of this process.
BENCHMARK(BM_LoadCourse)->Arg(1)->Arg(8)->Arg(24)->Arg(32)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainRead)->Arg(1)->Arg(8)->Arg(24)->Arg(32)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StbLoad)->Arg(1)->Arg(8)->Arg(24)->Arg(32)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
