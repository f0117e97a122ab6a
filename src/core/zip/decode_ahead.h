#pragma once

#include "core/zip/byte_source.h"
#include "core/zip/piece_decoder.h"
#include "core/zip/quick_entry_check.h"
#include "core/zip/tool_shelf.h"
#include "core/zip/worker_pool.h"
#include "core/zip/zip_types.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace quorvel {

// Decodes the entries an extraction is about to write on a pool of worker threads, ahead of the
// thread that writes them, which is left with the work on the file system. Small entries are
// inflated whole, several to a task; large ones in bursts of pieces, the next burst handed to a
// worker as soon as the previous one is taken. Decoded content waiting to be written is bounded.
// Only sound content is handed over: an entry that does not decode to exactly its declared size
// and CRC comes back unsure, and the caller decodes it again with the streaming decoder, which
// words the fault.
class DecodeAhead {
public:
    // Valid until the next call of take.
    struct Piece {
        const unsigned char* data = nullptr;
        std::size_t size = 0;
        bool last = false;   // the entry's content is complete and proven sound
        bool unsure = false; // the entry must be decoded again; none of its pieces can be trusted
    };
    static constexpr std::size_t PieceSize = 1 << 20;
    static constexpr std::size_t BurstPieces = 4;
    // Small entries decoded by one task: at most this many, of at most this much data together.
    static constexpr std::size_t GroupEntries = 16;
    static constexpr std::uint64_t GroupBytes = 1 << 20;

    // `entries` in the order they will be taken; null for those the caller decodes itself. The
    // source and the entries must outlive this object.
    DecodeAhead(const ByteSource& source, std::vector<const TZipHeaderInfo*> entries, int threads);
    DecodeAhead(const DecodeAhead&) = delete;
    DecodeAhead& operator=(const DecodeAhead&) = delete;

    bool covers(std::size_t position) const { return position < m_slots.size() && m_slots[position].entry; }
    // The next piece of the covered entry at `position`, once it is decoded; the entries before it
    // are given up. Call again for the rest after a piece that is neither last nor unsure.
    Piece take(std::size_t position);
    // Decoded content held for entries not taken yet, or being decoded, at most: a budget, which
    // the entry being taken may overstep.
    std::uint64_t budget() const { return m_budget; }
    // Decoded content held now for entries not taken, or reserved for the tasks decoding them.
    std::uint64_t held() const { return m_held; }

private:
    // What a task fills in; read by the taking thread only once the task is done.
    struct Output {
        std::unique_ptr<PieceDecoder> stream; // a large entry: where its decoding goes on
        std::vector<std::vector<unsigned char>> pieces;
        PieceDecoder::State state = PieceDecoder::State::More;
    };
    struct Slot {
        const TZipHeaderInfo* entry = nullptr;
        std::shared_ptr<Output> output;
        std::shared_ptr<WorkerPool::Task> task; // filling `output`; null once collected
        std::deque<std::vector<unsigned char>> ready;
        PieceDecoder::State state = PieceDecoder::State::More;
        std::uint64_t reserved = 0; // of the budget: ready pieces and what the task may add
        std::uint64_t decoded = 0;  // collected so far
    };

    void planAhead(std::size_t position);
    void planGroup(std::size_t position);
    void submitBurst(Slot& slot, bool urgent);
    void collect(Slot& slot);
    void release(Slot& slot);
    bool roomFor(std::size_t slot, std::size_t position) const;
    // Buffers go round: allocating and faulting in fresh memory for every piece costs more than
    // decoding a small one.
    std::vector<unsigned char> spare(std::size_t wanted);
    void giveBack(std::vector<unsigned char> buffer);

    const ByteSource& m_source;
    std::vector<Slot> m_slots;
    std::size_t m_planned = 0; // slots before it were handed to the pool or passed over
    std::size_t m_given = 0;   // slots before it were given up
    std::uint64_t m_held = 0;
    std::uint64_t m_budget;
    std::size_t m_window;              // slots planned ahead of the one being taken, at most
    std::vector<unsigned char> m_lent; // the piece the caller holds
    std::mutex m_spareMutex;
    std::vector<std::vector<unsigned char>> m_spare;
    std::uint64_t m_spareBytes = 0;
    ToolShelf<QuickEntryCheck> m_tools;
    WorkerPool m_pool; // last: it stops its tasks before what they use goes
};

} // namespace quorvel
