#include "cli/batch.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace valorix {
namespace {

// What a job wrote, as pieces of its two streams in the order written.
class CTape {
public:
    CTape() : m_out(*this, false), m_err(*this, true), m_outStream(&m_out), m_errStream(&m_err) {}
    std::ostream& Out() { return m_outStream; }
    std::ostream& Err() { return m_errStream; }
    void Play(std::ostream& out, std::ostream& err) const {
        for (const auto& [toErr, text] : m_pieces) (toErr ? err : out) << text;
    }

private:
    class CBuffer : public std::streambuf {
    public:
        CBuffer(CTape& tape, bool toErr) : m_tape(tape), m_toErr(toErr) {}

    protected:
        int_type overflow(int_type c) override {
            if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
            const char ch = traits_type::to_char_type(c);
            m_tape.Append(m_toErr, &ch, 1);
            return c;
        }
        std::streamsize xsputn(const char* s, std::streamsize n) override {
            m_tape.Append(m_toErr, s, static_cast<size_t>(n));
            return n;
        }

    private:
        CTape& m_tape;
        bool m_toErr;
    };

    void Append(bool toErr, const char* s, size_t n) {
        if (m_pieces.empty() || m_pieces.back().first != toErr) m_pieces.emplace_back(toErr, std::string());
        m_pieces.back().second.append(s, n);
    }

    std::vector<std::pair<bool, std::string>> m_pieces;
    CBuffer m_out, m_err;
    std::ostream m_outStream, m_errStream;
};

// The turns of one job within the batch's shared order.
class CJobTurn : public CBatchTurn {
public:
    CJobTurn(std::mutex& mutex, std::condition_variable& changed, size_t& turn, size_t index)
        : m_mutex(mutex), m_changed(changed), m_turn(turn), m_index(index) {}
    void Begin() override {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_turn == m_index; });
    }
    void End() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_turn == m_index) ++m_turn;
        m_changed.notify_all();
    }
    // A job that did not take its turn passes it once the earlier ones have.
    void Finish() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_turn >= m_index; });
        if (m_turn == m_index) ++m_turn;
        m_changed.notify_all();
    }

private:
    std::mutex& m_mutex;
    std::condition_variable& m_changed;
    size_t& m_turn;
    size_t m_index;
};

// One thread alone: the jobs write straight through, one after the other.
class CSerialTurn : public CBatchTurn {
public:
    void Begin() override {}
    void End() override {}
};

}  // namespace

int RunBatch(size_t count, unsigned threads, const BatchJob& job, std::ostream& out, std::ostream& err) {
    int status = 0;
    threads = static_cast<unsigned>(std::min<size_t>(std::max(threads, 1u), count));
    if (threads <= 1) {
        CSerialTurn turn;
        for (size_t i = 0; i < count; ++i) status = std::max(status, job(i, out, err, turn));
        return status;
    }
    std::mutex mutex;
    std::condition_variable changed;
    size_t next = 0;     // the next job to start
    size_t printed = 0;  // jobs printed so far
    size_t turn = 0;     // the job whose turn it is
    std::vector<std::unique_ptr<CTape>> tapes(count);
    std::vector<int> results(count, 0);
    std::vector<bool> done(count, false);
    auto work = [&] {
        for (;;) {
            size_t index;
            {
                std::unique_lock<std::mutex> lock(mutex);
                // Jobs start in order, and no more than `threads` ahead of the printing.
                changed.wait(lock, [&] { return next >= count || next < printed + threads; });
                if (next >= count) return;
                index = next++;
                tapes[index] = std::make_unique<CTape>();
            }
            CJobTurn jobTurn(mutex, changed, turn, index);
            int result;
            try {
                result = job(index, tapes[index]->Out(), tapes[index]->Err(), jobTurn);
            } catch (...) {
                result = 2;
            }
            jobTurn.Finish();
            std::lock_guard<std::mutex> lock(mutex);
            results[index] = result;
            done[index] = true;
            changed.notify_all();
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t) pool.emplace_back(work);
    for (size_t i = 0; i < count; ++i) {
        std::unique_ptr<CTape> tape;
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return done[i]; });
            tape = std::move(tapes[i]);
        }
        tape->Play(out, err);
        status = std::max(status, results[i]);
        std::lock_guard<std::mutex> lock(mutex);
        printed = i + 1;
        changed.notify_all();
    }
    for (std::thread& t : pool) t.join();
    return status;
}

}  // namespace valorix
