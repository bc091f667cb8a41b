// Runs a fuzz target's entry point once on every file named on the command
// line, or found in a folder named there, without libFuzzer. The normal test
// suites use it to replay the seed corpus and the inputs that once failed a
// fuzz run, so a fixed fault stays fixed in every build.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *Data, size_t Size);

namespace {

void Replay(const std::filesystem::path &File) {
    std::ifstream in(File, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::printf("%s\n", File.string().c_str());
    std::fflush(stdout);
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
}

}  // namespace

int main(int argc, char **argv) {
    size_t count = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path = argv[i];
        if (!std::filesystem::is_directory(path)) {
            Replay(path);
            ++count;
            continue;
        }
        std::vector<std::filesystem::path> files;
        for (const auto &entry : std::filesystem::directory_iterator(path))
            if (entry.is_regular_file() && !entry.path().filename().string().starts_with('.'))
                files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const auto &file : files) Replay(file);
        count += files.size();
    }
    std::printf("%zu inputs replayed\n", count);
    return count ? 0 : 1;
}
