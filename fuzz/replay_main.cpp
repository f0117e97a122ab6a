// Runs a fuzz target's entry point over saved inputs without libFuzzer, so that the ordinary build
// and its test run (under the sanitizers) keep every past finding fixed:
//   replay FILE-OR-FOLDER...
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> inputsOf(const std::filesystem::path& place) {
    std::vector<std::filesystem::path> inputs;
    if (std::filesystem::is_directory(place)) {
        for (const auto& item : std::filesystem::directory_iterator(place))
            if (item.is_regular_file())
                inputs.push_back(item.path());
        std::sort(inputs.begin(), inputs.end());
    } else {
        inputs.push_back(place);
    }
    return inputs;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> places(argv + 1, argv + argc);
    std::size_t replayed = 0;
    for (const std::string& place : places) {
        for (const std::filesystem::path& input : inputsOf(place)) {
            std::ifstream in(input, std::ios::binary);
            if (!in) {
                std::cerr << "cannot read " << input << "\n";
                return 1;
            }
            const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            ++replayed;
        }
    }
    std::cout << replayed << " inputs replayed\n";
    // A corpus that went missing must not pass as a clean run.
    return replayed > 0 ? 0 : 1;
}
