// Checks of many files on several threads, reported as one thread would:
// each file's output whole, in the order of the files, byte for byte the
// same as a serial run.
#pragma once
#include <cstddef>
#include <functional>
#include <ostream>

namespace valorix {

/// Lets the jobs of a batch do one step in the order of the jobs, whatever
/// thread runs them (the history: a later file may find an earlier one).
class CBatchTurn {
public:
    /// Waits until every earlier job has had its turn (or ended).
    virtual void Begin() = 0;
    /// Ends this job's turn; a job that never begins one ends it when it ends.
    virtual void End() = 0;

protected:
    ~CBatchTurn() = default;
};

/// One job: checks file `index`, writing to `out` and `err`; returns its
/// exit status.
using BatchJob = std::function<int(size_t index, std::ostream& out, std::ostream& err, CBatchTurn& turn)>;

/// Runs jobs 0 .. count-1 on up to `threads` threads. The output of a job is
/// kept until all earlier jobs are printed, then written to `out` and `err` as
/// the job wrote it; at most `threads` jobs are running or waiting to be
/// printed, so the memory stays bounded. Returns the highest exit status.
int RunBatch(size_t count, unsigned threads, const BatchJob& job, std::ostream& out, std::ostream& err);

}  // namespace valorix
