// Runs a fuzz target once over each kept input (files, or every file below the folders given),
// for builds without libFuzzer: the regression cases and seeds stay checked in every test run.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        if (!fs::exists(argv[i])) continue;  // a folder with no cases yet
        if (fs::is_directory(argv[i])) {
            for (const auto& e : fs::recursive_directory_iterator(argv[i]))
                if (e.is_regular_file()) inputs.push_back(e.path());
        } else {
            inputs.push_back(argv[i]);
        }
    }
    for (const auto& path : inputs) {
        std::ifstream in(path, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("%zu input(s) ran\n", inputs.size());
    return inputs.empty() ? 1 : 0;
}
