#include "geometry/ParallelCommandOutput.h"

#include <algorithm>
#include <system_error>

namespace kerfmax {

namespace {

// Chunks submitted and not yet written, per worker: enough to keep every worker
// busy while the caller writes, few enough to keep memory small.
constexpr std::size_t kInFlightPerWorker = 2;

}  // namespace

ParallelCommandOutput::ParallelCommandOutput(const CommandTexts& texts, OutputSink& sink, const CommandFilter& filter,
                                             BladeCompensator& compensator, std::vector<std::uint64_t>* penUps,
                                             ParallelPlan plan)
    : m_texts(texts),
      m_sink(sink),
      m_filter(filter),
      m_compensator(compensator),
      m_penUps(penUps),
      m_plan(plan),
      m_current(NewChunk())
{
    if (!filter.compensate || (filter.bladeOffset == 0 && filter.overCut == 0)) {
        m_direct.emplace(texts, sink);
        m_direct->RecordPenUpsInto(penUps);
    }
}

ParallelCommandOutput::~ParallelCommandOutput()
{
    StopWorkers();
}

std::uint64_t ParallelCommandOutput::Finish()
{
    if (m_finished) return m_written;
    if (m_direct) {
        m_direct->Flush();
        m_finished = true;
        m_written = m_direct->BytesWritten();
        return m_written;
    }
    const bool split = m_submitted > 0;
    const Chunk& last = *m_current;  // stays alive among the spare chunks
    Submit(true);
    m_finished = true;
    while (!m_inFlight.empty()) WriteFinished(true);
    if (split) LeaveFilterAsAfter(last);
    StopWorkers();
    return m_written;
}

void ParallelCommandOutput::Submit(bool last)
{
    Chunk& chunk = *m_current;
    chunk.first = m_submitted == 0;
    chunk.last = last;
    chunk.done = false;
    ++m_submitted;
    std::unique_ptr<Chunk> next;
    if (!last) {
        if (m_spare.empty()) {
            next = NewChunk();
        } else {
            next = std::move(m_spare.back());
            m_spare.pop_back();
        }
        next->commands.clear();
    }
    // A stream of one chunk is not worth a thread.
    if (!(chunk.first && chunk.last)) StartWorkers();
    if (m_workers.empty()) {
        Work(chunk);
        WriteOut(chunk);
        m_spare.push_back(std::move(m_current));
    } else {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_waiting.push_back(&chunk);
        }
        m_work.notify_one();
        m_inFlight.push_back(std::move(m_current));
        WriteFinished(m_inFlight.size() > kInFlightPerWorker * m_workers.size());
    }
    m_current = std::move(next);
}

std::unique_ptr<ParallelCommandOutput::Chunk> ParallelCommandOutput::NewChunk() const
{
    auto chunk = std::make_unique<Chunk>();
    chunk->commands.reserve(m_plan.chunkCommands + 1);
    return chunk;
}

void ParallelCommandOutput::Work(Chunk& chunk)
{
    chunk.bytes.Clear();
    chunk.penUps.clear();
    PenCommandWriter writer(m_texts, chunk.bytes);
    if (m_penUps) writer.RecordPenUpsInto(&chunk.penUps);
    BladeCompensator own;
    BladeCompensator& filter = chunk.first ? m_compensator : own;
    {
        CompensatorOutput registered(filter, writer);
        for (const PenCommand& command : chunk.commands)
            filter.Compensate(command, m_filter.bladeOffset, m_filter.overCut);
        // What the next chunk's pen-up does first: end the path under way, here,
        // so that its last commands come before that pen-up.
        if (!chunk.last) filter.Compensate(PenCommand{}, m_filter.bladeOffset, m_filter.overCut);
    }
    writer.Flush();
}

void ParallelCommandOutput::StartWorkers()
{
    if (m_triedWorkers) return;
    m_triedWorkers = true;
    try {
        for (unsigned i = 0; i < m_plan.workers; ++i) m_workers.emplace_back([this] { RunWorker(); });
    } catch (const std::system_error&) {
        // The system has no thread to spare: the ones started (maybe none) do the work.
    }
}

void ParallelCommandOutput::StopWorkers()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_work.notify_all();
    for (std::thread& worker : m_workers) worker.join();
    m_workers.clear();
}

void ParallelCommandOutput::RunWorker()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_work.wait(lock, [this] { return m_stopping || !m_waiting.empty(); });
        if (m_waiting.empty()) return;  // stopping, and nothing left
        Chunk* chunk = m_waiting.front();
        m_waiting.pop_front();
        lock.unlock();
        Work(*chunk);
        lock.lock();
        chunk->done = true;
        m_done.notify_one();  // only the caller's thread waits for it
    }
}

void ParallelCommandOutput::WriteFinished(bool wait)
{
    // m_inFlight belongs to the caller's thread; only a chunk's done flag is shared.
    while (!m_inFlight.empty()) {
        Chunk& head = *m_inFlight.front();
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (wait) m_done.wait(lock, [&head] { return head.done; });
            else if (!head.done) return;
        }
        wait = false;
        WriteOut(head);
        m_spare.push_back(std::move(m_inFlight.front()));
        m_inFlight.pop_front();
    }
}

void ParallelCommandOutput::WriteOut(Chunk& chunk)
{
    if (m_penUps)
        for (std::uint64_t at : chunk.penUps) m_penUps->push_back(m_written + at);
    m_sink.Write(chunk.bytes.Text());
    m_written += chunk.bytes.Text().size();
}

// The process filter ended the first chunk with its path closed, and the rest of
// the stream ran through filters of their own. From the stream's last pen-up on
// (every chunk after the first begins with one) the commands run through it once
// more, writing nothing: that leaves it as one filter over the whole stream
// would be, for the next job.
void ParallelCommandOutput::LeaveFilterAsAfter(const Chunk& last)
{
    const auto up = std::find_if(last.commands.rbegin(), last.commands.rend(),
                                 [](const PenCommand& command) { return command.move == PenMove::Up; });
    if (up == last.commands.rend()) return;
    for (auto command = std::prev(up.base()); command != last.commands.end(); ++command)
        m_compensator.Compensate(*command, m_filter.bladeOffset, m_filter.overCut);
}

}  // namespace kerfmax
