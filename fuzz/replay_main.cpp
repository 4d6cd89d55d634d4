// Replays a corpus without libFuzzer: every file of the folders (or the files) named on
// the command line goes once through LLVMFuzzerTestOneInput, in name order. Fails when a
// folder is missing or holds no input, so a lost corpus does not pass unseen.
#include "FuzzCheck.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: " << argv[0] << " CORPUS_DIR_OR_FILE...\n";
        return 2;
    }
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const fs::path path(argv[i]);
        std::error_code error;
        if (fs::is_directory(path, error)) {
            for (const auto& entry : fs::recursive_directory_iterator(path))
                if (entry.is_regular_file())
                    inputs.push_back(entry.path());
        } else if (fs::is_regular_file(path, error)) {
            inputs.push_back(path);
        } else {
            std::cerr << "no such corpus: " << path << '\n';
            return 1;
        }
    }
    if (inputs.empty()) {
        std::cerr << "the corpus holds no input\n";
        return 1;
    }
    std::sort(inputs.begin(), inputs.end());
    for (const fs::path& input : inputs) {
        std::ifstream file(input, std::ios::binary);
        if (!file) {
            std::cerr << "cannot read " << input << '\n';
            return 1;
        }
        const std::vector<char> bytes{std::istreambuf_iterator<char>(file),
                                      std::istreambuf_iterator<char>()};
        // A buffer of exactly the input's size, so a read past its end is caught by
        // AddressSanitizer in the sanitized build.
        std::vector<uint8_t> data(bytes.begin(), bytes.end());
        const std::string name = input.string();
        kxfuzz::currentInput = name.c_str();
        static const uint8_t none = 0;
        LLVMFuzzerTestOneInput(data.empty() ? &none : data.data(), data.size());
    }
    kxfuzz::currentInput = nullptr;
    std::cout << "replayed " << inputs.size() << " inputs\n";
    return 0;
}
