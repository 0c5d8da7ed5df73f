// Runs on a worker thread, their changes and questions brought back to the window's thread, and
// their progress in the status bar.
#include "app/gui/RunProgress.h"

#include <QAction>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <QToolButton>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <system_error>

#include "app/gui/QtText.h"

namespace kv::gui {

std::string TimeLeftText(std::size_t finished, std::size_t total,
                         std::int64_t elapsedMicroseconds) {
  if (finished == 0) return {};
  const std::size_t left = total > finished ? total - finished : 0;
  const long double micro =
      static_cast<long double>(std::max<std::int64_t>(elapsedMicroseconds, 0)) *
      static_cast<long double>(left) / static_cast<long double>(finished);
  const long double rounded = std::ceil(micro / 1000000.0L);
  // Past a thousand hours an estimate says nothing more.
  const long long seconds = static_cast<long long>(std::min<long double>(rounded, 3600000.0L));
  char text[48];
  if (seconds >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld left", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld left", seconds / 60, seconds % 60);
  }
  return text;
}

// ---- TBackgroundRun -----------------------------------------------------------------------------

TBackgroundRun::~TBackgroundRun() {
  Wait();
}

void TBackgroundRun::Start(std::function<void()> work) {
  if (Running) return;
  Running = true;
  const auto carryOut = [this](const std::function<void()>& work) {
    std::string error;
    try {
      work();
    } catch (const std::exception& e) {
      error = e.what();
    } catch (...) {
      error = "The run ended with an unknown error";
    }
    // After every change the work posted.
    Post([this, error] { Finish(error); });
  };
  try {
    Worker = std::thread(carryOut, work);
  } catch (const std::system_error&) {
    // No thread to be had: the window holds still for the run, as a run on its own thread would.
    carryOut(work);
  }
}

void TBackgroundRun::Post(std::function<void()> change) {
  if (QThread::currentThread() == thread()) {
    MakeWaitingChanges();
    change();
    return;
  }
  std::unique_lock lock(Mutex);
  Room.wait(lock, [this] { return Waiting.size() < MaxWaiting; });
  Waiting.push_back(std::move(change));
  if (Scheduled) return;
  Scheduled = true;
  lock.unlock();
  QMetaObject::invokeMethod(
      this, [this] { MakeWaitingChanges(); }, Qt::QueuedConnection);
}

void TBackgroundRun::MakeWaitingChanges() {
  {
    std::lock_guard lock(Mutex);
    for (auto& change : Waiting) Taken.push_back(std::move(change));
    Waiting.clear();
    Scheduled = false;
  }
  Room.notify_all();
  // A change may turn the event loop (a handler that waits for the run's end, a dialog), and with
  // it this function again: both take the changes from the one queue, so none overtakes another.
  while (!Taken.empty()) {
    const std::function<void()> change = std::move(Taken.front());
    Taken.pop_front();
    change();
  }
}

void TBackgroundRun::Finish(const std::string& error) {
  if (Worker.joinable()) Worker.join();
  Running = false;
  if (OnFinished) OnFinished(error);
}

void TBackgroundRun::Wait() {
  while (Running) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents |
                                    QEventLoop::ExcludeUserInputEvents);
  }
}

// ---- TWindowThreadPrompter ----------------------------------------------------------------------

template <typename F>
auto TWindowThreadPrompter::OnContextThread(F&& f) -> std::invoke_result_t<F&> {
  using TResult = std::invoke_result_t<F&>;
  if (!Context || QThread::currentThread() == Context->thread()) return f();
  std::exception_ptr error;
  if constexpr (std::is_void_v<TResult>) {
    QMetaObject::invokeMethod(
        Context.data(),
        [&] {
          try {
            f();
          } catch (...) {
            error = std::current_exception();
          }
        },
        Qt::BlockingQueuedConnection);
    if (error) std::rethrow_exception(error);
  } else {
    std::optional<TResult> result;
    QMetaObject::invokeMethod(
        Context.data(),
        [&] {
          try {
            result.emplace(f());
          } catch (...) {
            error = std::current_exception();
          }
        },
        Qt::BlockingQueuedConnection);
    if (error) std::rethrow_exception(error);
    if (!result) throw std::runtime_error("The window could not answer the question");
    return std::move(*result);
  }
}

std::vector<std::string> TWindowThreadPrompter::OpenFiles(const TOpenDialogOptions& options) {
  return OnContextThread([&] { return Inner.OpenFiles(options); });
}

std::optional<std::string> TWindowThreadPrompter::BrowseFolder(const std::string& initialFolder) {
  return OnContextThread([&] { return Inner.BrowseFolder(initialFolder); });
}

std::optional<std::string> TWindowThreadPrompter::SaveFile(const TSaveDialogOptions& options) {
  return OnContextThread([&] { return Inner.SaveFile(options); });
}

void TWindowThreadPrompter::ShowMessage(const std::string& text) {
  OnContextThread([&] { Inner.ShowMessage(text); });
}

void TWindowThreadPrompter::ShowError(const std::string& text) {
  OnContextThread([&] { Inner.ShowError(text); });
}

bool TWindowThreadPrompter::Confirm(const std::string& text) {
  return OnContextThread([&] { return Inner.Confirm(text); });
}

TPrompter::TUnsavedAnswer TWindowThreadPrompter::AskSaveChanges(const std::string& fileName) {
  return OnContextThread([&] { return Inner.AskSaveChanges(fileName); });
}

std::optional<std::string> TWindowThreadPrompter::AskReportPasswordFor(const std::string& path) {
  return OnContextThread([&] { return Inner.AskReportPasswordFor(path); });
}

void TWindowThreadPrompter::ReportMessage(const std::string& text, const std::string& caption,
                                          TMessageIcon icon) {
  OnContextThread([&] { Inner.ReportMessage(text, caption, icon); });
}

std::optional<std::string> TWindowThreadPrompter::AskReportPassword() {
  return OnContextThread([&] { return Inner.AskReportPassword(); });
}

// ---- TRunProgress -------------------------------------------------------------------------------

TRunProgress::TRunProgress(QAction& cancel, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("RunProgress"));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  Bar = new QProgressBar(this);
  Bar->setObjectName(QStringLiteral("RunProgressBar"));
  Bar->setFormat(QStringLiteral("%v of %m"));
  Bar->setTextVisible(true);
  Bar->setMinimumWidth(60);
  layout->addWidget(Bar, 1);
  TimeLeft = new QLabel(this);
  TimeLeft->setObjectName(QStringLiteral("RunTimeLeft"));
  TimeLeft->setTextFormat(Qt::PlainText);
  layout->addWidget(TimeLeft);
  auto* button = new QToolButton(this);
  button->setObjectName(QStringLiteral("RunCancelButton"));
  button->setDefaultAction(&cancel);
  // The icon alone, so that the bar keeps room for its text in a window of the first size.
  button->setToolButtonStyle(Qt::ToolButtonIconOnly);
  button->setAutoRaise(true);
  layout->addWidget(button);
  hide();
}

void TRunProgress::SetRunning(bool running) {
  if (running) {
    Bar->setRange(0, 0);
    Bar->setValue(0);
    TimeLeft->clear();
  }
  setVisible(running);
}

void TRunProgress::ShowProgress(std::size_t finished, std::size_t total,
                                std::int64_t elapsedMicroseconds) {
  const int all = static_cast<int>(std::min<std::size_t>(total, INT_MAX));
  if (Bar->maximum() != all) Bar->setRange(0, all);
  Bar->setValue(static_cast<int>(std::min<std::size_t>(finished, INT_MAX)));
  TimeLeft->setText(QString::fromStdString(TimeLeftText(finished, total, elapsedMicroseconds)));
}

}  // namespace kv::gui
