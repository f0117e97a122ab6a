// Archives we add to and delete from, whoever wrote them first, must stay valid for every other
// tool, keep what they held byte for byte, and carry over the other tools' extra fields and comments.
#include "core/zip/zip_writer.h"

#include "interop_helpers.h"

#include <map>

using namespace quorvel;
using namespace quorvel::test;

namespace {

constexpr std::time_t Monday = 1700000000;

// Python's view of an archive, and the check that everything kept is unchanged.
const std::string CompareScript = R"(
import sys, zipfile
def blocks(extra):
    out, i = [], 0
    while i + 4 <= len(extra):
        tag, size = int.from_bytes(extra[i:i+2], 'little'), int.from_bytes(extra[i+2:i+4], 'little')
        if tag != 1:
            out.append(extra[i:i+4+size])
        i += 4 + size
    return out
old, new = zipfile.ZipFile(sys.argv[1]), zipfile.ZipFile(sys.argv[2])
kept = set(sys.argv[3:])
olds = {i.filename: i for i in old.infolist()}
for info in new.infolist():
    if info.filename not in kept:
        continue
    was = olds[info.filename]
    for field in ('comment', 'date_time', 'external_attr', 'CRC', 'compress_size', 'compress_type', 'flag_bits'):
        assert getattr(info, field) == getattr(was, field), (info.filename, field)
    assert blocks(info.extra) == blocks(was.extra), (info.filename, info.extra, was.extra)
assert new.comment == old.comment
)";

struct PeerKind {
    std::string name;
    std::string command; // run in the test folder, writes peer.zip from the folder d
    std::string password;
};

void PrintTo(const PeerKind& kind, std::ostream* out) {
    *out << kind.name;
}

struct UpdatedPeerArchives : ::testing::TestWithParam<PeerKind> {
    TempDir dir;
    fs::path src = dir / "d";
    fs::path archive = dir / "peer.zip";
    std::map<std::string, std::string> expected; // stored name -> contents

    void SetUp() override {
        put("d/text.txt", compressibleText(150000, 31));
        put("d/random.bin", randomBytes(40000, 32));
        put("d/empty", "");
        put("d/sub/caf\xc3\xa9.txt", "named in UTF-8");
    }

    void put(const std::string& name, const std::string& data, std::time_t when = Monday) {
        writeFile(dir / name, data);
        setModificationTime(dir / name, when);
        expected[name] = data;
    }

    void configure(TZipWriter& w) {
        w.setZipName(archive.string());
        w.StorePaths = true;
        w.RelativePaths = true;
        w.setRootDir(dir.path().string());
        w.TempPath = dir.path().string();
    }

    // Every peer tests the archive; Python and unzip extract it byte-identical.
    void expectPeersAccept(const std::string& step) {
        const std::string& password = GetParam().password;
        std::vector<std::string> unzipTest{"unzip", "-t"}, unzipExtract{"unzip", "-q", "-d", (dir / step).string()};
        std::vector<std::string> sevenTest{"7zz", "t"};
        if (!password.empty()) {
            for (auto* argv : {&unzipTest, &unzipExtract})
                argv->insert(argv->end(), {"-P", password});
            sevenTest.push_back("-p" + password);
        }
        for (auto* argv : {&unzipTest, &unzipExtract, &sevenTest})
            argv->push_back(archive.string());
        runOk(unzipTest);
        runOk(sevenTest);
        runOk(unzipExtract);
        std::string script =
            "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\nz.setpassword(sys.argv[2].encode())\n"
            "assert z.testzip() is None\nz.extractall(sys.argv[3])\n";
        runOk({Python, "-c", script, archive.string(), password, (dir / (step + "-py")).string()});
        std::vector<std::pair<std::string, std::string>> files(expected.begin(), expected.end());
        EXPECT_EQ(digest(filesBelow(dir / step), true), digest(files, true)) << step << " by unzip";
        // Python reads names without the UTF-8 flag as code page 437, as it did before the update.
        EXPECT_EQ(digest(filesBelow(dir / (step + "-py")), false), digest(files, false)) << step << " by Python";
    }

    // Sizes and CRCs (after the names): short enough to read when they differ.
    static std::vector<std::string> digest(const std::vector<std::pair<std::string, std::string>>& files, bool names) {
        std::vector<std::string> out;
        for (const auto& [name, data] : files)
            out.push_back(
                (names ? name + " " : "") + std::to_string(data.size()) + " " +
                std::to_string(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()))));
        std::sort(out.begin(), out.end());
        return out;
    }

    void expectKeptUnchanged(const fs::path& before, const std::vector<std::string>& kept) {
        std::vector<std::string> argv{Python, "-c", CompareScript, before.string(), archive.string()};
        argv.insert(argv.end(), kept.begin(), kept.end());
        runOk(argv);
    }
};

} // namespace

TEST_P(UpdatedPeerArchives, SurviveAnAddAndADelete) {
    REQUIRE_PEERS();
    if (GetParam().command.empty()) {
        TZipWriter own;
        configure(own);
        own.Recurse = true;
        own.FilesList = {(src / "*").string()};
        ASSERT_EQ(own.Zip(), 4);
    } else {
        runOk({"sh", "-c", GetParam().command}, dir.path());
    }
    fs::copy_file(archive, dir / "before.zip");

    // A newer text.txt replaces its entry; new.txt is added at the end.
    put("d/text.txt", compressibleText(90000, 33), Monday + 3600);
    put("d/new.txt", "added later");
    TZipWriter adder;
    configure(adder);
    adder.FilesList = {(src / "new.txt").string(), (src / "text.txt").string()};
    EXPECT_EQ(adder.Zip(), 2);
    expectPeersAccept("added");
    expectKeptUnchanged(dir / "before.zip", {"d/random.bin", "d/empty", "d/sub/caf\xc3\xa9.txt"});

    TZipWriter deleter;
    configure(deleter);
    deleter.FilesList = {"d/random.bin"};
    EXPECT_EQ(deleter.DeleteEntries(), 1);
    expected.erase("d/random.bin");
    expectPeersAccept("deleted");
    expectKeptUnchanged(dir / "before.zip", {"d/empty", "d/sub/caf\xc3\xa9.txt"});
}

// Comments and extra fields from Python: an archive comment, entry comments, a private extra block.
const std::string PythonWithComments = Python + R"( -c "
import os, zipfile
with zipfile.ZipFile('peer.zip', 'w', zipfile.ZIP_DEFLATED) as z:
    z.comment = b'written by python'
    for r, _, fs in os.walk('d'):
        for f in fs:
            p = os.path.join(r, f)
            info = zipfile.ZipInfo.from_file(p)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.comment = ('about ' + f).encode()
            info.extra = b'\x34\x12\x03\x00abc'
            with open(p, 'rb') as s:
                z.writestr(info, s.read())
")";

// Sizes after the data (data descriptors), from a stream that cannot seek.
const std::string PythonStreamed = Python + R"( -c "
import io, os, zipfile
class Pipe(io.RawIOBase):
    def __init__(self, out): self.out = out
    def writable(self): return True
    def write(self, b): return self.out.write(b)
with open('peer.zip', 'wb') as raw, zipfile.ZipFile(Pipe(raw), 'w', zipfile.ZIP_DEFLATED) as z:
    for r, _, fs in os.walk('d'):
        for f in fs:
            p = os.path.join(r, f)
            with open(p, 'rb') as s, z.open(zipfile.ZipInfo.from_file(p), 'w') as d:
                d.write(s.read())
")";

const std::string PythonZip64 = Python + R"( -c "
import os, zipfile
with zipfile.ZipFile('peer.zip', 'w', zipfile.ZIP_DEFLATED) as z:
    for r, _, fs in os.walk('d'):
        for f in fs:
            p = os.path.join(r, f)
            with open(p, 'rb') as s, z.open(zipfile.ZipInfo.from_file(p), 'w', force_zip64=True) as d:
                d.write(s.read())
")";

INSTANTIATE_TEST_SUITE_P(
    Peers, UpdatedPeerArchives,
    ::testing::Values(PeerKind{"ours", ""}, // our own writer's archive
                      PeerKind{"infoZip", "zip -qr peer.zip d"},
                      PeerKind{"infoZipStreamed", "zip -qr - d | cat > peer.zip"},
                      PeerKind{"infoZipZip64", "zip -qr -fz peer.zip d"},
                      PeerKind{"infoZipEncrypted", "zip -qr -P secret - d | cat > peer.zip", "secret"},
                      PeerKind{"sevenZip", "7zz a -tzip -bd peer.zip d >/dev/null"},
                      PeerKind{"sevenZipEncrypted", "7zz a -tzip -bd -psecret -mem=ZipCrypto peer.zip d >/dev/null",
                               "secret"},
                      PeerKind{"pythonComments", PythonWithComments}, PeerKind{"pythonStreamed", PythonStreamed},
                      PeerKind{"pythonZip64", PythonZip64}),
    [](const auto& param) { return param.param.name; });

TEST(UpdatedOwnArchive, DeletingEverythingLeavesAValidEmptyArchive) {
    REQUIRE_PEERS();
    TempDir dir;
    writeFile(dir / "a.txt", "a");
    writeFile(dir / "b.txt", "b");
    std::string archive = (dir / "own.zip").string();
    TZipWriter writer;
    writer.setZipName(archive);
    writer.setZipComment("weekly");
    writer.FilesList = {(dir / "*.txt").string()};
    ASSERT_EQ(writer.Zip(), 2);
    writer.FilesList = {"*"};
    EXPECT_EQ(writer.DeleteEntries(), 2);
    ProcessResult unzip = runProcess({"unzip", "-t", archive});
    EXPECT_NE(unzip.output.find("zipfile is empty"), std::string::npos) << unzip.output;
    runOk({"7zz", "t", archive});
    runOk({Python, "-c",
           "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\nassert z.namelist() == []\n"
           "assert z.comment == b'weekly'\n",
           archive});
}

// A streamed archive (sizes in data descriptors) whose end was lost in transfer.
TEST(CutOffPeerArchive, StreamedEntriesAreRecoveredWhereWhole) {
    REQUIRE_PEERS();
    TempDir dir;
    writeFile(dir / "d/one.txt", compressibleText(30000, 41));
    writeFile(dir / "d/two.bin", randomBytes(30000, 42));
    runOk({"sh", "-c", "cd d && zip -q - one.txt two.bin | cat > ../streamed.zip"}, dir.path());
    std::string whole = readFile(dir / "streamed.zip");
    std::size_t second = whole.find("PK\x03\x04", 4);
    ASSERT_NE(second, std::string::npos);
    writeFile(dir / "cut.zip", whole.substr(0, second + 1000)); // inside two.bin's data

    TZipReader reader;
    reader.setZipName((dir / "cut.zip").string());
    reader.IncompleteZipMode = izAssumeBad;
    reader.setDestDir((dir / "out").string());
    reader.DoAll = true;
    EXPECT_EQ(reader.UnZip(), 1);
    EXPECT_EQ(filesBelow(dir / "out"),
              (std::vector<std::pair<std::string, std::string>>{{"one.txt", readFile(dir / "d/one.txt")}}));
}
