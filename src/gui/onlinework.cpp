#include "gui/onlinework.h"

#include <wx/app.h>
#include <wx/window.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>

namespace valorix::gui {

// What the worker and the window share. `owner` is cleared under the lock
// when the window goes; everything the worker asks of the UI thread checks it.
struct COnlineWork::Link {
    std::mutex mutex;
    wxWindow* owner;
    IPrompt* prompt;
    std::atomic<bool> busy{false};

    /// Runs `call` on the UI thread while the window exists and waits for
    /// its result; `fallback` when the window is gone (or goes meanwhile).
    template <class T>
    T OnUiThread(std::function<T(IPrompt&)> call, T fallback, const std::shared_ptr<Link>& self) {
        auto promise = std::make_shared<std::promise<T>>();
        std::future<T> future = promise->get_future();
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (!owner || !wxTheApp) return fallback;
            wxTheApp->CallAfter([self, promise, call, fallback] {
                IPrompt* target = nullptr;
                {
                    std::lock_guard<std::mutex> lock(self->mutex);
                    if (self->owner) target = self->prompt;
                }
                promise->set_value(target ? call(*target) : fallback);
            });
        }
        while (future.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
            std::lock_guard<std::mutex> lock(mutex);
            if (!owner) return fallback;
        }
        return future.get();
    }
};

namespace {

// The worker's prompt: questions to the window's prompt, messages to the
// chosen place, each on the UI thread.
class CUiThreadPrompt : public IPrompt {
public:
    CUiThreadPrompt(std::shared_ptr<COnlineWork::Link> link, COnlineWork::Messages messages)
        : m_link(std::move(link)), m_messages(std::move(messages)) {}
    void Message(const std::string& text) override {
        auto messages = m_messages;
        m_link->OnUiThread<bool>([messages, text](IPrompt&) { return messages(text), true; }, false, m_link);
    }
    bool AskYesNo(const std::string& text) override {
        return m_link->OnUiThread<bool>([text](IPrompt& p) { return p.AskYesNo(text); }, false, m_link);
    }
    bool AskCredentials(const std::string& text, std::string& user, std::string& password) override {
        using Answer = std::pair<bool, std::pair<std::string, std::string>>;
        const Answer answer = m_link->OnUiThread<Answer>(
            [text](IPrompt& p) {
                std::string u, w;
                const bool ok = p.AskCredentials(text, u, w);
                return Answer{ok, {u, w}};
            },
            Answer{false, {}}, m_link);
        user = answer.second.first;
        password = answer.second.second;
        return answer.first;
    }
    bool OpenUrl(const std::string& url) override {
        return m_link->OnUiThread<bool>([url](IPrompt& p) { return p.OpenUrl(url); }, false, m_link);
    }

private:
    std::shared_ptr<COnlineWork::Link> m_link;
    COnlineWork::Messages m_messages;
};

}  // namespace

COnlineWork::COnlineWork(wxWindow* owner, IPrompt& prompt) : m_link(std::make_shared<Link>()) {
    m_link->owner = owner;
    m_link->prompt = &prompt;
}

COnlineWork::~COnlineWork() {
    std::lock_guard<std::mutex> lock(m_link->mutex);
    m_link->owner = nullptr;
}

bool COnlineWork::Busy() const { return m_link->busy; }

bool COnlineWork::Start(const AppValues& values, Messages messages,
                        std::function<void(AppValues&, IPrompt&)> work, std::function<void(AppValues&)> done) {
    if (m_link->busy.exchange(true)) return false;
    auto link = m_link;
    auto copy = std::make_shared<AppValues>(values);
    std::thread([link, copy, messages, work, done] {
        CUiThreadPrompt prompt(link, messages);
        work(*copy, prompt);
        const bool delivered = link->OnUiThread<bool>(
            [link, copy, done](IPrompt&) {
                link->busy = false;  // `done` may start the next work
                done(*copy);
                return true;
            },
            false, link);
        if (!delivered) link->busy = false;
    }).detach();
    return true;
}

}  // namespace valorix::gui
