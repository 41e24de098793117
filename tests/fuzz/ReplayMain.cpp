// SPDX-License-Identifier: MIT
// Runs a fuzz harness over saved inputs without libFuzzer: every regular
// file under the directories (or the files) named on the command line, in
// name order. A violated invariant aborts; no input at all is a failure too,
// so that a lost corpus cannot pass silently.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

namespace fs = std::filesystem;

int main(int argc, char **argv)
{
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const fs::path root = argv[i];
        std::error_code error;
        if (fs::is_regular_file(root, error)) {
            inputs.push_back(root);
        } else if (fs::is_directory(root, error)) {
            for (const fs::directory_entry &entry : fs::recursive_directory_iterator(root))
                if (entry.is_regular_file())
                    inputs.push_back(entry.path());
        }
    }
    std::sort(inputs.begin(), inputs.end());
    if (inputs.empty()) {
        std::fprintf(stderr, "no inputs found\n");
        return 1;
    }
    for (const fs::path &path : inputs) {
        std::ifstream file(path, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        if (!file.good() && !file.eof()) {
            std::fprintf(stderr, "cannot read %s\n", path.string().c_str());
            return 1;
        }
        std::printf("%s (%zu bytes)\n", path.string().c_str(), bytes.size());
        std::fflush(stdout);
        // A copy of exactly the input's size lets ASan see reads past its end, as under libFuzzer.
        auto *copy = new std::uint8_t[bytes.size()];
        std::copy(bytes.begin(), bytes.end(), copy);
        LLVMFuzzerTestOneInput(copy, bytes.size());
        delete[] copy;
    }
    std::printf("%zu inputs passed\n", inputs.size());
    return 0;
}
