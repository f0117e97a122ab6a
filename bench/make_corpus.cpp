// Writes the benchmark corpus, the same bytes on every run (about 300 MB):
//   small/   20,000 text files of 0.5-5 KB in 200 nested folders
//   medium/  300 files of 50-450 KB: text, records and half-random data
//   random/  six 10 MB files of incompressible bytes
//   large/   two 50 MB files: a text log and a mixed binary
// With --many, another corpus instead: 100,000 text files of 1-4 KB in 1,000 folders (about 250 MB),
// for archives of many entries.
// Usage: quorvel-bench-corpus [--many] FOLDER
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> Words = {
    "backup",  "archive", "folder", "project", "schedule", "restore", "the",     "a",        "of",     "and",
    "to",      "in",      "file",   "data",    "report",   "quarter", "invoice", "customer", "order",  "total",
    "amount",  "date",    "status", "pending", "complete", "error",   "warning", "info",     "user",   "system",
    "network", "server",  "client", "request", "response", "value",   "index",   "table",    "record", "field",
    "number",  "string",  "list",   "item",    "price",    "tax",     "address"};

class Generator {
public:
    explicit Generator(std::uint32_t seed) : m_rng(seed) {}
    std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(m_rng() % n); }

    std::string text(std::size_t size) {
        std::string out;
        out.reserve(size + 16);
        while (out.size() < size) {
            out += Words[below(static_cast<std::uint32_t>(Words.size()))];
            std::uint32_t r = below(20);
            out += r == 0 ? ".\n" : r == 1 ? ", " : r == 2 ? " " + std::to_string(below(100000)) + " " : " ";
        }
        out.resize(size);
        return out;
    }
    std::string random(std::size_t size) {
        std::string out(size, '\0');
        for (std::size_t i = 0; i < size; i += 4) {
            auto v = static_cast<std::uint32_t>(m_rng());
            for (std::size_t k = 0; k < 4 && i + k < size; ++k)
                out[i + k] = static_cast<char>(v >> (8 * k));
        }
        return out;
    }
    std::string records(std::size_t size) {
        std::string out;
        while (out.size() < size) {
            char line[128];
            std::snprintf(line, sizeof line, "%08u;%s;%u.%02u;2024-%02u-%02u\n", below(100000000),
                          Words[below(static_cast<std::uint32_t>(Words.size()))].c_str(), below(10000), below(100),
                          1 + below(12), 1 + below(28));
            out += line;
        }
        out.resize(size);
        return out;
    }
    std::string mixed(std::size_t size) {
        std::string out;
        while (out.size() < size) {
            std::size_t chunk = 4096 + below(60000);
            out += below(2) ? random(chunk) : records(chunk);
        }
        out.resize(size);
        return out;
    }

private:
    std::mt19937 m_rng;
};

void put(const fs::path& path, const std::string& data) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
}

} // namespace

int main(int argc, char** argv) {
    bool many = argc == 3 && std::string(argv[1]) == "--many";
    if (argc != 2 && !many) {
        std::fprintf(stderr, "usage: %s [--many] FOLDER\n", argv[0]);
        return 2;
    }
    fs::path root = argv[argc - 1];
    Generator gen(20240601);
    if (many) {
        for (int i = 0; i < 100000; ++i) {
            fs::path folder = root / ("g" + std::to_string(i % 40)) / ("h" + std::to_string(i / 40 % 25));
            put(folder / ("doc" + std::to_string(i) + ".txt"), gen.text(1024 + gen.below(3072)));
        }
        return 0;
    }
    for (int i = 0; i < 20000; ++i) {
        fs::path folder = root / "small" / ("d" + std::to_string(i % 20)) / ("e" + std::to_string(i / 20 % 10));
        put(folder / ("note" + std::to_string(i) + ".txt"), gen.text(512 + gen.below(4608)));
    }
    for (int i = 0; i < 300; ++i) {
        std::size_t size = 50000 + gen.below(400000);
        std::string data = i % 3 == 0 ? gen.text(size) : i % 3 == 1 ? gen.records(size) : gen.mixed(size);
        put(root / "medium" / ("m" + std::to_string(i % 7)) / ("file" + std::to_string(i) + ".dat"), data);
    }
    for (int i = 0; i < 6; ++i)
        put(root / "random" / ("noise" + std::to_string(i) + ".bin"), gen.random(10 << 20));
    put(root / "large" / "server.log", gen.text(50 << 20));
    put(root / "large" / "database.bin", gen.mixed(50 << 20));
    return 0;
}
