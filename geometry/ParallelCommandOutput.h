#pragma once
// The pen commands of a job, compensated and written in the dialect's words on
// the machine's cores (commands that need no blade-offset filter are only
// formatted, on the caller's thread). The stream is cut into chunks just before
// a pen-up: a pen-up sets every part of the blade-offset filter's state that
// later commands read, so each chunk can run through a filter and a writer of
// its own, and the chunks' bytes reach the sink in order. The bytes, the places
// of the pen-ups and the process filter's state afterwards are those of one
// filter working through the whole stream on one thread.
#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "geometry/BladeCompensation.h"
#include "geometry/OutputOptions.h"
#include "geometry/OutputSink.h"
#include "geometry/PenCommand.h"

// GCC joins the two coordinates of a command into one 16-byte write by way of
// the stack, and reading them back in one piece waits on the two writes before
// it: on a million commands that took a tenth of the walk's time.
#if defined(__GNUC__) && !defined(__clang__)
#define KERFMAX_SEPARATE_STORES __attribute__((optimize("no-tree-slp-vectorize")))
#else
#define KERFMAX_SEPARATE_STORES
#endif

namespace kerfmax {

// What happens to each command before it is written.
struct CommandFilter {
    bool compensate = false;  // through the blade-offset filter
    std::int32_t bladeOffset = 0;
    std::int32_t overCut = 0;
};

struct ParallelPlan {
    // A chunk ends at the first pen-up after this many commands: few enough for
    // a chunk's commands and bytes to stay in a core's own cache (chunks sixteen
    // times as long took twice the time). A shorter stream is worked on the
    // caller's thread alone.
    std::size_t chunkCommands = 4096;
    // Threads that work on chunks; 0 works every chunk on the caller's thread.
    unsigned workers = DefaultWorkerCount();

    // The machine's cores, at most eight; none on a single core, where another
    // thread would only add the hand-overs.
    static unsigned DefaultWorkerCount()
    {
        const unsigned cores = std::thread::hardware_concurrency();
        return cores > 1 ? std::min(cores, 8u) : 0;
    }
};

class ParallelCommandOutput {
public:
    // compensator: the process filter, which the stream carries on from and
    // leaves as one filter would. penUps (optional) gets where each pen-up
    // begins, counted from the first command byte.
    ParallelCommandOutput(const CommandTexts& texts, OutputSink& sink, const CommandFilter& filter,
                          BladeCompensator& compensator, std::vector<std::uint64_t>* penUps = nullptr,
                          ParallelPlan plan = {});
    ~ParallelCommandOutput();
    ParallelCommandOutput(const ParallelCommandOutput&) = delete;
    ParallelCommandOutput& operator=(const ParallelCommandOutput&) = delete;

    // The next command of the stream (before Finish()). Its parts come as values,
    // so that they go straight into place, never through memory the caller
    // wrote a moment before in other pieces (which stalls the reading).
    KERFMAX_SEPARATE_STORES void Take(PenMove move, PenPoint point = {})
    {
        if (m_direct) {
            m_direct->Write({move, point});
            return;
        }
        if (move == PenMove::Up && m_current->commands.size() >= m_plan.chunkCommands) Submit(false);
        PenCommand& command = m_current->commands.emplace_back();
        command.move = move;
        command.point.x = point.x;
        command.point.y = point.y;
    }
    // The sink's failure (a full disk, a cancelled run): the caller may stop early.
    bool Failed() const { return m_sink.Failed(); }
    // Works the rest, writes it and returns the bytes of all the commands.
    std::uint64_t Finish();

private:
    // On cache lines of its own: the caller fills one chunk while workers write others.
    struct alignas(64) Chunk {
        std::vector<PenCommand> commands;
        bool first = false;  // carries on from the process filter
        bool last = false;  // ends the stream: no next pen-up finishes its path
        StringSink bytes;
        std::vector<std::uint64_t> penUps;  // from the chunk's first byte
        bool done = false;
    };

    std::unique_ptr<Chunk> NewChunk() const;
    void Work(Chunk& chunk);
    void Submit(bool last);
    // Starts the plan's workers once; those the system refuses are done without.
    void StartWorkers();
    void StopWorkers();
    void RunWorker();
    // Writes the finished chunks at the head of the line; with wait, at least one.
    void WriteFinished(bool wait);
    void WriteOut(Chunk& chunk);
    void LeaveFilterAsAfter(const Chunk& last);

    const CommandTexts& m_texts;
    OutputSink& m_sink;
    const CommandFilter m_filter;
    BladeCompensator& m_compensator;
    std::vector<std::uint64_t>* m_penUps;
    const ParallelPlan m_plan;

    // Commands that go through no filter are only formatted, which costs less
    // than handing them to another core: they are written here as they come.
    std::optional<PenCommandWriter> m_direct;
    std::unique_ptr<Chunk> m_current;
    std::size_t m_submitted = 0;
    std::uint64_t m_written = 0;
    bool m_finished = false;
    bool m_triedWorkers = false;

    std::mutex m_mutex;
    std::condition_variable m_work;  // a chunk waits, or the workers may stop
    std::condition_variable m_done;  // a chunk is done
    std::deque<Chunk*> m_waiting;  // submitted, not yet taken by a worker
    std::deque<std::unique_ptr<Chunk>> m_inFlight;  // submitted, not yet written, in order
    std::vector<std::unique_ptr<Chunk>> m_spare;  // written: their memory is used again
    bool m_stopping = false;
    std::vector<std::thread> m_workers;
};

}  // namespace kerfmax
