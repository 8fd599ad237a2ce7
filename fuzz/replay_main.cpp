// A driver for compilers without libFuzzer: runs a fuzz target once on every
// file named on the command line (directories are walked), so that the seed
// corpora and the inputs of past findings run as plain regression tests in
// any build.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace {

int run_file(const std::filesystem::path &p) {
    std::ifstream f(p, std::ios::binary);
    if (!f) {
        std::fprintf(stderr, "cannot read %s\n", p.c_str());
        return 1;
    }
    std::vector<char> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    int failures = 0;
    std::size_t inputs = 0;
    for (int i = 1; i < argc; ++i) {
        std::filesystem::path arg(argv[i]);
        if (arg.string().rfind("-", 0) == 0) continue;  // libFuzzer flags: ignored
        if (std::filesystem::is_directory(arg)) {
            for (const auto &e : std::filesystem::recursive_directory_iterator(arg))
                if (e.is_regular_file()) failures += run_file(e.path()), ++inputs;
        } else {
            failures += run_file(arg), ++inputs;
        }
    }
    std::printf("%zu inputs run\n", inputs);
    return failures == 0 ? 0 : 1;
}
