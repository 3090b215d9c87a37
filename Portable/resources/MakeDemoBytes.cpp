// Writes a block of deterministic pseudo-random bytes, used to build the demo
// OS image and boot block: the same size and seed always give the same bytes.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 4)
    {
        std::fprintf(stderr, "usage: kelt-demo-bytes OUT SIZE SEED\n");
        return 2;
    }
    const long size = std::strtol(argv[2], nullptr, 0);
    std::uint32_t state = static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 0));
    if (size <= 0 || size > (64L << 20) || state == 0)
    {
        std::fprintf(stderr, "kelt-demo-bytes: size must be 1..64 MiB and the seed non-zero\n");
        return 2;
    }
    std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
    for (unsigned char& byte : bytes)
    {
        // xorshift32
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<unsigned char>(state >> 24);
    }
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() ||
        std::fclose(out) != 0)
    {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
