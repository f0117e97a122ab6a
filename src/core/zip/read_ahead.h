#pragma once

#include "core/util/unique_fd.h"
#include "core/zip/block_packer.h"
#include "core/zip/worker_pool.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace quorvel {

class TZipWriter;

// Whether an entry's data is stored or deflated: decided by its first block, which also tells
// the blocks behind it whether compressing them is of any use.
enum class Verdict { Open, Deflate, Store };

// One block of a file on its way into the archive: read on the writer's thread, checked and
// compressed by the pool.
struct DataBlock {
    std::vector<unsigned char> raw; // as read; dropped once only the compressed form is needed
    std::size_t size = 0;
    bool first = false;
    bool last = false; // the file ended within it: fewer bytes came than were asked for
    int level = 0;     // 0: the CRC alone
    std::shared_ptr<std::atomic<Verdict>> verdict;

    std::uint32_t crc = 0;
    std::vector<unsigned char> packed; // a deflate stream, or this block's part of one
    std::shared_ptr<WorkerPool::Task> task;

    void work(BlockPacker& packer);
};

// A file of the list, opened and read ahead of the writer.
struct FileJob {
    std::string path;
    std::size_t listIndex = SIZE_MAX;
    int level = 0;
    UniqueFd fd;
    int openError = 0;
    bool statOk = false;
    struct stat st {};

    // The attempt being read: the file as it was when the attempt began.
    bool started = false;
    std::uint64_t fileSize = 0;
    std::uint64_t readOffset = 0;
    bool readDone = false;
    bool readFailed = false;
    std::optional<std::uint32_t> checksum; // an encrypted entry of several blocks: read once for it first
    std::shared_ptr<std::atomic<Verdict>> verdict;
    std::deque<std::shared_ptr<DataBlock>> blocks; // read and not yet taken by the writer

    // Opened (and when small, read and packed) on a worker: until the writer's thread collected
    // it, nothing of the job but these two is touched there.
    bool preparing = false;
    std::shared_ptr<WorkerPool::Task> preparation; // set once the job went to the pool

    bool regular() const { return fd && statOk && S_ISREG(st.st_mode); }
};

// Reads the files the writer is about to write and has their blocks checked and compressed on
// worker threads while the writer puts earlier entries into the archive in their order. What is
// read ahead is bounded in bytes and in files; after the writer's OnStartZip handler left a file
// out, reading ahead stops until files are kept again, so that a run leaving most files out reads
// only those it keeps. The block partition depends on the data alone, never on the threads.
// With worker threads, the files ahead are opened on them in batches, and small ones read and
// packed there too: for many small files the system calls would otherwise keep the writer's thread
// busy while the workers wait.
class ReadAhead {
public:
    static constexpr std::size_t BlockSize = 1024 * 1024;
    // Files up to this size are read on the worker that opens them.
    static constexpr std::size_t SmallFileSize = 32 * 1024;

    ReadAhead(TZipWriter& writer, std::pair<dev_t, ino_t> archiveId);
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The files of `list` are read ahead as the writer goes through it, until stopFollowing().
    void follow(const std::vector<std::string>& list);
    void stopFollowing();
    // The file the writer writes now (list index `index`, or SIZE_MAX for one not in the list).
    FileJob& begin(const std::string& path, std::size_t index);
    // Opens the file again (the writer's retry after it could not be opened).
    void reopen(FileJob& job);
    // The writer's handler kept the file (true) or left it out.
    void kept(bool yes);
    // Reads the file again from its start, as it is now.
    void restart(FileJob& job);
    // The next block of the current attempt, checked and compressed; null when the attempt has no
    // more, because the file ended or could not be read (readFailed).
    std::shared_ptr<DataBlock> next(FileJob& job);
    // The writer is done with the file begun last.
    void finish();

private:
    std::unique_ptr<FileJob> newJob(const std::string& path, std::size_t index) const;
    std::unique_ptr<FileJob> open(const std::string& path, std::size_t index);
    // Opens the file and begins its attempt; touches the job alone, so a worker may run it.
    void openFile(FileJob& job) const;
    void startAttempt(FileJob& job);
    static void resetAttempt(FileJob& job);
    void fill();
    FileJob* nextToRead();
    bool openNext();
    void readBlock(FileJob& job);
    // Reads the job's next block into `scratch` and makes it a block; null when reading failed.
    std::shared_ptr<DataBlock> takeBlock(FileJob& job, std::vector<unsigned char>& scratch) const;
    void checksumPass(FileJob& job, std::vector<unsigned char>& scratch) const;
    std::size_t readSource(FileJob& job, std::uint64_t offset, std::vector<unsigned char>& scratch) const;
    void submitPending();
    void release(const DataBlock& block);
    // On a worker: opens the file and, when it is small, reads and packs it.
    void prepare(FileJob& job, std::vector<unsigned char>& scratch);
    void submitPreparations();
    // Waits for the job's preparation and takes its blocks into the accounts; with `settleOnly`
    // (the job is dropped) whatever the preparation raised is ignored.
    void collect(FileJob& job, bool settleOnly = false);

    TZipWriter& m_writer;
    std::pair<dev_t, ino_t> m_archiveId;
    bool m_encrypt;
    BlockPacker m_packer; // before the pool: the workers use it until they are joined
    WorkerPool m_pool;
    std::size_t m_budget;    // bytes of blocks held at once
    std::size_t m_maxWindow; // files open at once
    std::size_t m_window;
    std::size_t m_held = 0;
    std::size_t m_reserved = 0; // of m_held: for files being prepared, whose size is not known yet
    std::vector<unsigned char> m_scratch;
    std::deque<std::unique_ptr<FileJob>> m_jobs; // the writer's file first, then those ahead
    std::size_t m_cursor = 0;                    // no job before it has anything left to read
    const std::vector<std::string>* m_list = nullptr;
    std::size_t m_nextIndex = 0;
    std::vector<std::weak_ptr<DataBlock>> m_pending; // read, not yet handed to the pool
    std::size_t m_pendingBytes = 0;
    std::vector<FileJob*> m_toPrepare; // jobs of m_jobs to be opened by the pool, not yet handed to it
};

} // namespace quorvel
