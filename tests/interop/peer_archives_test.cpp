// Archives written by other tools must list and extract byte-identical through our reader.
#include "core/zip/zip_reader.h"

#include "interop_helpers.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {

struct PeerArchives : ::testing::Test {
    TempDir dir;
    fs::path src = dir / "d";
    std::string utf8Name = "caf\xc3\xa9-\xce\xb1\xce\xb2.txt";

    void SetUp() override {
        writeFile(src / "text.txt", compressibleText(150000, 21));
        writeFile(src / "random.bin", randomBytes(40000, 22));
        writeFile(src / "empty", "");
        writeFile(src / "sub" / utf8Name, "named in UTF-8");
    }

    // Lists, tests and extracts with our reader; the extracted tree must equal the source.
    void expectRoundTrip(const fs::path& archive, const std::string& password = {}, int expectedEntries = -1) {
        TZipReader reader;
        reader.setZipName(archive.string());
        reader.Password = password;
        reader.ReadZip();
        if (expectedEntries >= 0) {
            EXPECT_EQ(reader.Count(), expectedEntries);
        }
        for (int i = 0; i < reader.Count(); ++i)
            EXPECT_TRUE(reader.testEntry(i).ok) << reader.Entry(i).storedName() << ": " << reader.testEntry(i).message;
        fs::path out = dir / ("out-" + archive.stem().string());
        reader.setDestDir(out.string());
        reader.DoAll = true;
        reader.RecreateDirs = true;
        std::vector<std::string> errors;
        reader.OnUnZipError = [&](int, const std::string& name, const std::string& m) { errors.push_back(name + m); };
        reader.UnZip();
        EXPECT_TRUE(errors.empty()) << errors.front();
        EXPECT_EQ(filesBelow(out / "d"), filesBelow(src)) << archive;
    }
};

} // namespace

TEST_F(PeerArchives, InfoZip) {
    REQUIRE_PEERS();
    runOk({"zip", "-qr", "plain.zip", "d"}, dir.path());
    expectRoundTrip(dir / "plain.zip");
    runOk({"zip", "-qr", "-fz", "zip64.zip", "d"}, dir.path());
    expectRoundTrip(dir / "zip64.zip");
    runOk({"zip", "-qr", "-P", "secret", "crypt.zip", "d"}, dir.path());
    expectRoundTrip(dir / "crypt.zip", "secret");
    // Written to a pipe: sizes and CRCs follow the data in descriptors.
    runOk({"sh", "-c", "zip -qr - d | cat > streamed.zip"}, dir.path());
    expectRoundTrip(dir / "streamed.zip");
    runOk({"sh", "-c", "zip -qr -P secret - d | cat > streamed-crypt.zip"}, dir.path());
    expectRoundTrip(dir / "streamed-crypt.zip", "secret");
}

TEST_F(PeerArchives, InfoZipFromStandardInput) {
    REQUIRE_PEERS();
    runOk({"sh", "-c", "printf 'from stdin' | zip -q - - | cat > stdin.zip"}, dir.path());
    TZipReader reader;
    reader.setZipName((dir / "stdin.zip").string());
    reader.setDestDir((dir / "x").string());
    reader.DoAll = true;
    EXPECT_EQ(reader.UnZip(), 1);
    EXPECT_EQ(readFile(dir / "x" / reader.Filename(0)), "from stdin");
}

TEST_F(PeerArchives, SevenZip) {
    REQUIRE_PEERS();
    runOk({"7zz", "a", "-tzip", "-bd", "seven.zip", "d"}, dir.path());
    expectRoundTrip(dir / "seven.zip");
    runOk({"7zz", "a", "-tzip", "-bd", "-mx=0", "seven-stored.zip", "d"}, dir.path());
    expectRoundTrip(dir / "seven-stored.zip");
    runOk({"7zz", "a", "-tzip", "-bd", "-psecret", "-mem=ZipCrypto", "seven-crypt.zip", "d"}, dir.path());
    expectRoundTrip(dir / "seven-crypt.zip", "secret");
}

TEST_F(PeerArchives, PythonZipfile) {
    REQUIRE_PEERS();
    std::string script = R"(
import io, os, sys, zipfile
os.chdir(sys.argv[1])
files = [os.path.join(r, f) for r, _, fs in os.walk('d') for f in fs]
with zipfile.ZipFile('py.zip', 'w', zipfile.ZIP_DEFLATED) as z:
    for f in files:
        z.write(f)
class Pipe(io.RawIOBase):
    def __init__(self, out): self.out = out
    def writable(self): return True
    def write(self, b): return self.out.write(b)
with open('py-stream.zip', 'wb') as raw:
    with zipfile.ZipFile(Pipe(raw), 'w', zipfile.ZIP_DEFLATED) as z:
        for f in files:
            with open(f, 'rb') as src, z.open(zipfile.ZipInfo(f), 'w') as dst:
                dst.write(src.read())
with zipfile.ZipFile('py-stored.zip', 'w', zipfile.ZIP_STORED, allowZip64=True) as z:
    for f in files:
        z.write(f)
)";
    runOk({Python, "-c", script, dir.path().string()});
    expectRoundTrip(dir / "py.zip", {}, 4);
    expectRoundTrip(dir / "py-stream.zip", {}, 4);
    expectRoundTrip(dir / "py-stored.zip", {}, 4);
}
