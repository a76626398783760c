// Runs a fuzz target over the files of its corpus without libFuzzer, so that any compiler and every test run check
// the seeds. Arguments: corpus folders or files.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

int replay(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

} // namespace

int main(int argc, char** argv)
{
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        if (std::filesystem::is_directory(path)) {
            for (const auto& entry : std::filesystem::directory_iterator(path)) {
                if (entry.is_regular_file()) {
                    replay(entry.path());
                    ++inputs;
                }
            }
        } else {
            replay(path);
            ++inputs;
        }
    }
    // The empty input is always worth a run.
    static const uint8_t none = 0;
    LLVMFuzzerTestOneInput(&none, 0);
    std::printf("%d inputs replayed\n", inputs + 1);
    return inputs > 0 ? 0 : 1;
}
