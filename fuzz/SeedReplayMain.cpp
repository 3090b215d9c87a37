// Runs a fuzz target once on each file of the given folders (and files), with no
// fuzzing: the seed inputs become an ordinary test in any build. A fault in the
// target ends the run as it would end the fuzzer (abort, sanitizer report).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// Optional in a target, as with libFuzzer.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace
{

namespace fs = std::filesystem;

bool ReadWhole(const fs::path& path, std::vector<char>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// A block of exactly the input's size (never a null pointer, even for no bytes), as
// the fuzzer hands it over, so a read one byte past the end is a read outside it.
void RunOne(const std::vector<char>& bytes)
{
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    LLVMFuzzerTestOneInput(copy.get(), bytes.size());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: %s FOLDER-OR-FILE...\n", argv[0]);
        return 2;
    }
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i)
    {
        const fs::path given(argv[i]);
        std::error_code error;
        if (fs::is_directory(given, error))
        {
            for (const fs::directory_entry& entry : fs::directory_iterator(given, error))
                if (entry.is_regular_file())
                    inputs.push_back(entry.path());
        }
        else if (fs::is_regular_file(given, error))
            inputs.push_back(given);
        if (error)
        {
            std::fprintf(stderr, "cannot read %s: %s\n", argv[i], error.message().c_str());
            return 2;
        }
    }
    // A seed folder that went missing or empty must not pass as a run of nothing.
    if (inputs.empty())
    {
        std::fprintf(stderr, "no inputs found\n");
        return 2;
    }
    std::sort(inputs.begin(), inputs.end());

    if (LLVMFuzzerInitialize != nullptr)
        LLVMFuzzerInitialize(&argc, &argv);
    // The fuzzer always starts with the empty input.
    RunOne({});
    std::vector<char> bytes;
    for (const fs::path& path : inputs)
    {
        if (!ReadWhole(path, bytes))
        {
            std::fprintf(stderr, "cannot read %s\n", path.c_str());
            return 2;
        }
        // Named before it runs, so the input that brings the run down is the last one shown.
        std::printf("%s (%zu bytes)\n", path.c_str(), bytes.size());
        std::fflush(stdout);
        RunOne(bytes);
    }
    std::printf("%zu inputs ran\n", inputs.size());
    return 0;
}
