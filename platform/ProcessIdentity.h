#pragma once
// Process ids, for names of leftovers that say which process made them.
namespace kerfmax {

// The id of the running process.
long CurrentProcessId();

// True while a process with this id exists (also one of another user). A
// reused id reads as alive: a leftover is then kept, never wrongly removed.
bool ProcessIsAlive(long processId);

}  // namespace kerfmax
