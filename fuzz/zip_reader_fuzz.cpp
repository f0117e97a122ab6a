// Feeds arbitrary bytes to the reader as an archive: the directory is read (with the rebuild from
// local headers as well) and every entry is extracted into a scratch folder, which must stay the
// only place written to.
#include "core/zip/zip_reader.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

struct Scratch {
    std::filesystem::path root;
    Scratch() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorvel-fuzz-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        root = pattern;
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
};

void run(const std::string& archive, const std::string& dest, quorvel::TIncompleteZipMode mode) {
    quorvel::TZipReader reader;
    reader.setZipName(archive);
    reader.setDestDir(dest);
    reader.IncompleteZipMode = mode;
    reader.DoAll = true;
    reader.RecreateDirs = true;
    reader.OverwriteMode = quorvel::Always;
    reader.Password = "pw";
    try {
        reader.ReadZip();
        for (int i = 0; i < reader.Count(); ++i) {
            (void)reader.Filename(i);
            (void)reader.FileDateTime(i);
        }
        reader.UnZip();
    } catch (const quorvel::Error&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Scratch scratch;
    std::string archive = (scratch.root / "in.zip").string();
    std::string dest = (scratch.root / "out").string();
    {
        std::ofstream out(archive, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    run(archive, dest, quorvel::izAssumeNotAZip);
    run(archive, dest, quorvel::izAssumeBad);
    std::error_code ec;
    std::filesystem::remove_all(dest, ec);
    // Nothing may appear beside the scratch folder's own two names.
    for (const auto& item : std::filesystem::directory_iterator(scratch.root))
        if (item.path().filename() != "in.zip")
            std::abort();
    return 0;
}
