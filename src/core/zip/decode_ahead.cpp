#include "core/zip/decode_ahead.h"

#include "core/util/errors.h"

#include <algorithm>
#include <utility>

namespace quorvel {

namespace {

constexpr std::uint64_t BudgetPerThread = 8 << 20;
constexpr std::uint64_t LeastBudget = 16 << 20;
constexpr std::size_t GroupsPerThread = 8;
constexpr std::size_t KeptBufferSize = 64 * 1024;

} // namespace

DecodeAhead::DecodeAhead(const ByteSource& source, std::vector<const TZipHeaderInfo*> entries, int threads)
    : m_source(source), m_slots(entries.size()), m_pool(WorkerPool::threadCount(threads)) {
    for (std::size_t i = 0; i < entries.size(); ++i)
        m_slots[i].entry = entries[i];
    const auto workers = static_cast<std::uint64_t>(m_pool.threads());
    m_budget = std::max(LeastBudget, BudgetPerThread * workers);
    m_window = GroupEntries * GroupsPerThread * static_cast<std::size_t>(workers);
}

DecodeAhead::Piece DecodeAhead::take(std::size_t position) {
    giveBack(std::move(m_lent));
    m_lent = {};
    while (m_given < position)
        release(m_slots[m_given++]);
    planAhead(position);
    Slot& slot = m_slots[position];
    if (slot.ready.empty() && slot.task)
        collect(slot);
    Piece piece;
    if (slot.state == PieceDecoder::State::Unsure) {
        release(slot);
        piece.unsure = true;
        return piece;
    }
    if (!slot.ready.empty()) {
        m_lent = std::move(slot.ready.front());
        slot.ready.pop_front();
        slot.reserved -= m_lent.size();
        m_held -= m_lent.size();
        piece.data = m_lent.data();
        piece.size = m_lent.size();
    }
    piece.last = slot.ready.empty() && slot.state == PieceDecoder::State::Sound;
    return piece;
}

bool DecodeAhead::roomFor(std::size_t slot, std::size_t position) const {
    // The entry being taken is always decoded, whatever the budget says.
    return slot == position || (m_held < m_budget && slot < position + m_window);
}

// Hands the pool the entries ahead of `position`, while the budget and the window allow. Once they
// are used up, planning waits until half of both are free again, so that the workers get a run of
// tasks rather than being woken for each one.
void DecodeAhead::planAhead(std::size_t position) {
    if (m_planned > position && (m_held >= m_budget / 2 || m_planned >= position + m_window / 2))
        return;
    m_planned = std::max(m_planned, position);
    while (m_planned < m_slots.size() && roomFor(m_planned, position)) {
        Slot& slot = m_slots[m_planned];
        if (!slot.entry) {
            ++m_planned;
        } else if (QuickEntryCheck::decodesWhole(*slot.entry)) {
            planGroup(position);
        } else {
            slot.output = std::make_shared<Output>();
            slot.output->stream = std::make_unique<PieceDecoder>(m_source, *slot.entry);
            submitBurst(slot, false);
            ++m_planned;
        }
    }
}

// Small entries from m_planned on, decoded whole by one task.
void DecodeAhead::planGroup(std::size_t position) {
    std::vector<std::pair<const TZipHeaderInfo*, std::shared_ptr<Output>>> group;
    std::vector<Slot*> slots;
    std::uint64_t bytes = 0;
    while (m_planned < m_slots.size() && group.size() < GroupEntries) {
        Slot& slot = m_slots[m_planned];
        if (!slot.entry || !QuickEntryCheck::decodesWhole(*slot.entry))
            break;
        if (!group.empty() && (bytes + slot.entry->compressedSize > GroupBytes || !roomFor(m_planned, position)))
            break;
        slot.output = std::make_shared<Output>();
        slot.reserved = slot.entry->uncompressedSize;
        m_held += slot.reserved;
        bytes += slot.entry->compressedSize;
        group.emplace_back(slot.entry, slot.output);
        slots.push_back(&slot);
        ++m_planned;
    }
    auto task = m_pool.submit([this, group = std::move(group)] {
        std::unique_ptr<QuickEntryCheck> tools = m_tools.borrow();
        for (const auto& [entry, output] : group) {
            std::vector<unsigned char> content = spare(static_cast<std::size_t>(entry->uncompressedSize));
            try {
                output->state = tools->decodeWhole(m_source, *entry, content) ? PieceDecoder::State::Sound
                                                                              : PieceDecoder::State::Unsure;
            } catch (const Error&) {
                output->state = PieceDecoder::State::Unsure; // the streaming decoder words what failed
            }
            if (output->state == PieceDecoder::State::Sound)
                output->pieces.push_back(std::move(content));
            else
                giveBack(std::move(content));
        }
        m_tools.giveBack(std::move(tools));
    });
    for (Slot* slot : slots)
        slot->task = task;
}

// The next pieces of a large entry; `urgent` when the caller is about to wait for them.
void DecodeAhead::submitBurst(Slot& slot, bool urgent) {
    const std::uint64_t left = slot.entry->uncompressedSize - std::min(slot.decoded, slot.entry->uncompressedSize);
    const std::uint64_t burst = std::min<std::uint64_t>(left, PieceSize * BurstPieces);
    slot.reserved += burst;
    m_held += burst;
    auto work = [this, output = slot.output] {
        for (std::size_t k = 0; k < BurstPieces && output->state == PieceDecoder::State::More; ++k) {
            std::vector<unsigned char> piece = spare(PieceSize);
            try {
                output->state = output->stream->next(piece, PieceSize);
            } catch (const Error&) {
                output->state = PieceDecoder::State::Unsure;
            }
            if (!piece.empty())
                output->pieces.push_back(std::move(piece));
            else
                giveBack(std::move(piece));
        }
    };
    slot.task = urgent ? m_pool.submitFirst(std::move(work)) : m_pool.submit(std::move(work));
}

// Takes over what the slot's task decoded, once it is done, and starts the next burst of a large
// entry before its pieces are written.
void DecodeAhead::collect(Slot& slot) {
    m_pool.wait(*slot.task);
    slot.task.reset();
    std::uint64_t ready = 0;
    for (std::vector<unsigned char>& piece : slot.ready)
        ready += piece.size();
    for (std::vector<unsigned char>& piece : slot.output->pieces) {
        ready += piece.size();
        slot.decoded += piece.size();
        slot.ready.push_back(std::move(piece));
    }
    slot.output->pieces.clear();
    slot.state = slot.output->state;
    m_held = m_held - slot.reserved + ready;
    slot.reserved = ready;
    if (slot.state == PieceDecoder::State::More)
        submitBurst(slot, true);
}

// A task still running keeps its output until it ends; the budget counts it free from now.
void DecodeAhead::release(Slot& slot) {
    m_held -= slot.reserved;
    slot.reserved = 0;
    for (std::vector<unsigned char>& piece : slot.ready)
        giveBack(std::move(piece));
    slot.ready.clear();
    slot.task.reset();
    slot.output.reset();
    slot.entry = nullptr;
}

// The smallest spare buffer that holds `wanted` bytes; a new one when none does, as growing a
// smaller one would copy what it held.
std::vector<unsigned char> DecodeAhead::spare(std::size_t wanted) {
    std::lock_guard lock(m_spareMutex);
    auto best = m_spare.end();
    for (auto it = m_spare.begin(); it != m_spare.end(); ++it)
        if (it->capacity() >= wanted && (best == m_spare.end() || it->capacity() < best->capacity()))
            best = it;
    if (best == m_spare.end())
        return {};
    std::vector<unsigned char> buffer = std::move(*best);
    *best = std::move(m_spare.back());
    m_spare.pop_back();
    m_spareBytes -= buffer.capacity();
    return buffer;
}

// Large buffers are kept for reuse, up to the budget: small ones come cheaply from the allocator.
void DecodeAhead::giveBack(std::vector<unsigned char> buffer) {
    if (buffer.capacity() < KeptBufferSize)
        return;
    std::lock_guard lock(m_spareMutex);
    if (m_spareBytes + buffer.capacity() > m_budget)
        return;
    m_spareBytes += buffer.capacity();
    m_spare.push_back(std::move(buffer));
}

} // namespace quorvel
