#include "core/zip/read_ahead.h"

#include "core/util/errors.h"
#include "core/zip/zip_writer.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <libdeflate.h>
#include <unistd.h>

namespace quorvel {

namespace {

// Small blocks (small files) go to the pool in batches: one task per file would cost more in
// hand-overs than packing a file of a few KB.
constexpr std::size_t BatchBlocks = 32;
constexpr std::size_t BatchBytes = 256 * 1024;
// Files opened (and when small, read and packed) by one task on a worker.
constexpr std::size_t BatchFiles = 16;
// Each file read ahead holds a descriptor until the writer is done with it.
constexpr std::size_t MaxFilesAhead = 256;

// A block is counted twice while it is held: once as read, once compressed.
std::size_t weightOf(const DataBlock& block) {
    return 2 * block.size + 256;
}
// What a file being prepared on a worker may come to hold, counted until it is collected.
constexpr std::size_t PreparedWeight = 2 * ReadAhead::SmallFileSize + 256;

} // namespace

void DataBlock::work(BlockPacker& packer) {
    // libdeflate's CRC is several times as fast as zlib's on processors with carry-less multiply.
    crc = libdeflate_crc32(0, raw.data(), size);
    if (level == 0)
        return;
    if (first && last) {
        bool shrunk = packer.packWhole(raw.data(), size, level, packed);
        verdict->store(shrunk ? Verdict::Deflate : Verdict::Store);
    } else if (first) {
        packer.packPart(raw.data(), size, level, last, packed);
        verdict->store(packed.size() < size ? Verdict::Deflate : Verdict::Store);
    } else if (verdict->load() != Verdict::Store) {
        packer.packPart(raw.data(), size, level, last, packed);
    }
    if (verdict->load() == Verdict::Deflate)
        std::vector<unsigned char>().swap(raw);
}

ReadAhead::ReadAhead(TZipWriter& writer, std::pair<dev_t, ino_t> archiveId)
    : m_writer(writer), m_archiveId(archiveId), m_encrypt(!writer.Password.empty()),
      m_pool(WorkerPool::threadCount(writer.Threads)),
      m_budget(m_pool.threads() < 2 ? 2 * BlockSize + 512
                                    : static_cast<std::size_t>(m_pool.threads() + 1) * 4 * BlockSize),
      m_maxWindow(m_pool.threads() < 2
                      ? 1
                      : std::min<std::size_t>(MaxFilesAhead, 64 * static_cast<std::size_t>(m_pool.threads()))),
      m_window(std::min<std::size_t>(2, m_maxWindow)), m_scratch(BlockSize) {}

ReadAhead::~ReadAhead() {
    // Workers may still be opening files of the jobs: each job goes once nothing works on it.
    stopFollowing();
}

void ReadAhead::follow(const std::vector<std::string>& list) {
    m_list = &list;
    m_nextIndex = 0;
}

void ReadAhead::stopFollowing() {
    m_list = nullptr;
    while (!m_jobs.empty())
        finish();
}

void ReadAhead::openFile(FileJob& job) const {
    job.fd = UniqueFd(::open(job.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    job.openError = job.fd ? 0 : errno;
    job.statOk = job.fd && ::fstat(job.fd.get(), &job.st) == 0;
    if (job.regular() && std::make_pair(job.st.st_dev, job.st.st_ino) != m_archiveId)
        resetAttempt(job);
}

std::unique_ptr<FileJob> ReadAhead::newJob(const std::string& path, std::size_t index) const {
    auto job = std::make_unique<FileJob>();
    job->path = path;
    job->listIndex = index;
    job->level = m_writer.PackLevel <= 0 || m_writer.isNoCompress(path) ? 0 : std::min(m_writer.PackLevel, 9);
    return job;
}

std::unique_ptr<FileJob> ReadAhead::open(const std::string& path, std::size_t index) {
    std::unique_ptr<FileJob> job = newJob(path, index);
    openFile(*job);
    m_cursor = 0;
    return job;
}

void ReadAhead::startAttempt(FileJob& job) {
    resetAttempt(job);
    m_cursor = 0;
}

void ReadAhead::resetAttempt(FileJob& job) {
    job.started = true;
    job.fileSize = static_cast<std::uint64_t>(job.st.st_size);
    job.readOffset = 0;
    job.readDone = false;
    job.readFailed = false;
    job.checksum.reset();
    job.verdict = std::make_shared<std::atomic<Verdict>>(Verdict::Open);
}

FileJob& ReadAhead::begin(const std::string& path, std::size_t index) {
    // Files of the list the writer went past are of no more use ahead of it.
    while (index != SIZE_MAX && !m_jobs.empty() && m_jobs.front()->listIndex != SIZE_MAX &&
           m_jobs.front()->listIndex < index)
        finish();
    if (m_jobs.empty() || index == SIZE_MAX || m_jobs.front()->listIndex != index) {
        m_jobs.push_front(open(path, index));
        m_cursor = 0;
        // Opened here, so not again ahead: a second job for it would stand in front of the next
        // file for good and stop all reading ahead.
        if (index != SIZE_MAX)
            m_nextIndex = std::max(m_nextIndex, index + 1);
    }
    collect(*m_jobs.front());
    return *m_jobs.front();
}

void ReadAhead::reopen(FileJob& job) {
    for (const std::shared_ptr<DataBlock>& block : job.blocks)
        release(*block);
    job.blocks.clear();
    job.started = false;
    openFile(job);
    m_cursor = 0;
}

void ReadAhead::kept(bool yes) {
    m_window = yes ? std::min(m_maxWindow, m_window * 2) : 1;
}

void ReadAhead::restart(FileJob& job) {
    for (const std::shared_ptr<DataBlock>& block : job.blocks)
        release(*block);
    job.blocks.clear();
    job.statOk = ::fstat(job.fd.get(), &job.st) == 0;
    startAttempt(job);
    job.readFailed = !job.statOk;
}

void ReadAhead::finish() {
    if (m_jobs.empty())
        return;
    collect(*m_jobs.front(), true); // dropped before the writer got to it
    for (const std::shared_ptr<DataBlock>& block : m_jobs.front()->blocks)
        release(*block);
    m_jobs.pop_front();
    m_cursor = m_cursor > 0 ? m_cursor - 1 : 0;
}

void ReadAhead::release(const DataBlock& block) {
    m_held -= std::min(m_held, weightOf(block));
}

std::shared_ptr<DataBlock> ReadAhead::next(FileJob& job) {
    while (job.blocks.empty()) {
        if (!job.started || job.readDone || job.readFailed)
            return nullptr;
        fill();
        if (job.blocks.empty() && !job.readDone && !job.readFailed)
            readBlock(job); // only when another file's attempt holds the whole budget
    }
    fill(); // the pool has the next blocks to work on while this one is waited for
    std::shared_ptr<DataBlock> block = std::move(job.blocks.front());
    job.blocks.pop_front();
    release(*block);
    if (!block->task)
        submitPending();
    m_pool.wait(*block->task);
    return block;
}

FileJob* ReadAhead::nextToRead() {
    for (; m_cursor < m_jobs.size(); ++m_cursor) {
        FileJob& job = *m_jobs[m_cursor];
        if (!job.preparing && job.started && !job.readDone && !job.readFailed)
            return &job;
    }
    return nullptr;
}

bool ReadAhead::openNext() {
    if (!m_list || m_jobs.size() >= m_window)
        return false;
    const bool onWorkers = m_pool.threads() >= 2;
    // Half the budget at most goes to files being prepared: the other half keeps the blocks of a
    // large file coming while the writer is at it.
    if (onWorkers && (m_held + PreparedWeight > m_budget || m_reserved + PreparedWeight > m_budget / 2))
        return false;
    while (m_nextIndex < m_list->size()) {
        std::size_t index = m_nextIndex++;
        const std::string& path = (*m_list)[index];
        if (path.empty() || path.back() == '/')
            continue; // a folder entry: nothing to read
        if (!onWorkers) {
            m_jobs.push_back(open(path, index));
            return true;
        }
        std::unique_ptr<FileJob> job = newJob(path, index);
        job->preparing = true;
        m_held += PreparedWeight;
        m_reserved += PreparedWeight;
        m_toPrepare.push_back(job.get());
        m_jobs.push_back(std::move(job));
        if (m_toPrepare.size() >= BatchFiles)
            submitPreparations();
        return true;
    }
    return false;
}

void ReadAhead::prepare(FileJob& job, std::vector<unsigned char>& scratch) {
    openFile(job);
    if (!job.started || job.fileSize > SmallFileSize)
        return; // not a file, or one read on the writer's thread as the budget allows
    if (std::shared_ptr<DataBlock> block = takeBlock(job, scratch)) {
        block->work(m_packer);
        job.blocks.push_back(std::move(block));
    }
}

void ReadAhead::submitPreparations() {
    if (m_toPrepare.empty())
        return;
    std::vector<FileJob*> batch = std::move(m_toPrepare);
    m_toPrepare.clear();
    // The jobs stay in m_jobs until collected, and collecting one waits for this task.
    std::shared_ptr<WorkerPool::Task> task = m_pool.submit([this, batch] {
        std::vector<unsigned char> scratch(BlockSize);
        for (FileJob* job : batch)
            prepare(*job, scratch);
    });
    for (FileJob* job : batch)
        job->preparation = task;
}

void ReadAhead::collect(FileJob& job, bool settleOnly) {
    if (!job.preparing)
        return;
    job.preparing = false;
    m_held -= std::min(m_held, PreparedWeight);
    m_reserved -= std::min(m_reserved, PreparedWeight);
    if (!job.preparation) {
        if (settleOnly) { // never handed to the pool: nothing works on it
            m_toPrepare.erase(std::find(m_toPrepare.begin(), m_toPrepare.end(), &job));
            return;
        }
        submitPreparations();
    }
    std::shared_ptr<WorkerPool::Task> task = std::move(job.preparation);
    if (settleOnly) {
        try {
            m_pool.wait(*task);
        } catch (...) {
            // The job is dropped: whatever became of it does not matter.
        }
        job.blocks.clear(); // never counted
        return;
    }
    m_pool.wait(*task);
    for (const std::shared_ptr<DataBlock>& block : job.blocks) {
        block->task = task;
        m_held += weightOf(*block);
    }
    m_cursor = 0;
}

void ReadAhead::fill() {
    while (true) {
        FileJob* job = nextToRead();
        if (!job) {
            if (!openNext())
                break;
            continue;
        }
        // The writer's own file may always read a block: the blocks held may all be of files
        // behind it (it is read again), and the writer would wait for them forever.
        bool writersOwn = job == m_jobs.front().get() && job->blocks.empty();
        if (m_held >= m_budget && !writersOwn)
            break;
        readBlock(*job);
    }
    if (m_pendingBytes >= BatchBytes || m_pending.size() >= BatchBlocks)
        submitPending();
}

std::size_t ReadAhead::readSource(FileJob& job, std::uint64_t offset, std::vector<unsigned char>& scratch) const {
    return m_writer.readSourceBlock(job.fd.get(), offset, scratch.data(), BlockSize, job.path);
}

// An encrypted entry's header holds its CRC, so a file of several blocks is read once for it first.
void ReadAhead::checksumPass(FileJob& job, std::vector<unsigned char>& scratch) const {
    std::uint32_t crc = 0;
    std::uint64_t offset = 0;
    for (std::size_t n; (n = readSource(job, offset, scratch)) > 0; offset += n)
        crc = libdeflate_crc32(crc, scratch.data(), n);
    job.checksum = crc;
}

void ReadAhead::readBlock(FileJob& job) {
    std::shared_ptr<DataBlock> block = takeBlock(job, m_scratch);
    if (!block)
        return;
    m_held += weightOf(*block);
    m_pending.push_back(block);
    m_pendingBytes += block->size;
    job.blocks.push_back(std::move(block));
    if (m_pendingBytes >= BatchBytes || m_pending.size() >= BatchBlocks)
        submitPending();
}

std::shared_ptr<DataBlock> ReadAhead::takeBlock(FileJob& job, std::vector<unsigned char>& scratch) const {
    std::size_t n = 0;
    try {
        if (m_encrypt && !job.checksum && job.fileSize >= BlockSize)
            checksumPass(job, scratch);
        n = readSource(job, job.readOffset, scratch);
    } catch (const IoError&) {
        // A source that fails is the file's problem: the writer leaves the entry out when it gets there.
        job.readFailed = true;
        return nullptr;
    }
    auto block = std::make_shared<DataBlock>();
    if (2 * n >= BlockSize) {
        block->raw = std::move(scratch);
        block->raw.resize(n);
        scratch = std::vector<unsigned char>(BlockSize);
    } else {
        block->raw.assign(scratch.begin(), scratch.begin() + static_cast<std::ptrdiff_t>(n));
    }
    block->size = n;
    block->first = job.readOffset == 0;
    block->last = n < BlockSize;
    block->level = job.level;
    block->verdict = job.verdict;
    job.readOffset += n;
    job.readDone = block->last;
    return block;
}

void ReadAhead::submitPending() {
    std::vector<std::weak_ptr<DataBlock>> batch = std::move(m_pending);
    m_pending.clear();
    m_pendingBytes = 0;
    // The task holds the blocks weakly: those of a file the writer left out meanwhile are not worth the work.
    std::shared_ptr<WorkerPool::Task> task = m_pool.submit([batch, packer = &m_packer] {
        for (const std::weak_ptr<DataBlock>& weak : batch)
            if (std::shared_ptr<DataBlock> block = weak.lock())
                block->work(*packer);
    });
    for (const std::weak_ptr<DataBlock>& weak : batch)
        if (std::shared_ptr<DataBlock> block = weak.lock())
            block->task = task;
}

} // namespace quorvel
