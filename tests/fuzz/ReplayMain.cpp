// Runs a fuzz target over the files of its corpus folders without libFuzzer, so that any compiler and every test
// run check the seeds; the empty input is always run too.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    std::vector<std::vector<uint8_t>> inputs(1);
    for (int i = 1; i < argc; ++i) {
        for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
            std::ifstream in(entry.path(), std::ios::binary);
            inputs.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            inputs.back().shrink_to_fit(); // so that the address sanitizer sees a read past the end
        }
    }
    static const uint8_t none = 0; // libFuzzer never passes null
    for (const auto& bytes : inputs)
        LLVMFuzzerTestOneInput(bytes.empty() ? &none : bytes.data(), bytes.size());
    return inputs.size() > 1 ? 0 : 1; // no seed found is a failure
}
