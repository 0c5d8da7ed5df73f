// The window's side of a run carried out on a worker thread: the thread itself, the run's changes
// brought back to the window's thread in their order, the questions the run asks answered there,
// and the progress shown in the status bar with the Cancel button.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "app/Prompter.h"

class QAction;
class QLabel;
class QProgressBar;

namespace kv::gui {

// The time a run still needs, estimated from the rate of the files finished so far, as
// "m:ss left" (or "h:mm:ss left"), rounded up to whole seconds; empty while no file finished.
std::string TimeLeftText(std::size_t finished, std::size_t total, std::int64_t elapsedMicroseconds);

// Carries out a run's work on a worker thread. The work hands every change it makes to the
// window's state to Post; the changes are made on the thread that owns this object, in the order
// posted. So that what the window shows never lags far behind the files written (and a Cancel
// stops close to what the user saw), Post holds the worker while many changes still wait.
class TBackgroundRun : public QObject {
 public:
  explicit TBackgroundRun(QObject* parent = nullptr) : QObject(parent) {}
  // Waits for a run that is still on (see Wait).
  ~TBackgroundRun() override;

  // Called on this object's thread once a run's work ended and every change it posted was made,
  // with the text of the error that ended it (empty when none).
  std::function<void(const std::string& error)> OnFinished;

  bool Active() const { return Running; }
  // Starts the work on a new thread. When no thread can be started, the work is carried out here
  // and now.
  void Start(std::function<void()> work);
  // Hands a change to this object's thread. On that thread itself, the change is made at once
  // after those still waiting.
  void Post(std::function<void()> change);
  // Until the run ended, keeps handling the events that bring its changes and questions, but not
  // the user's input.
  void Wait();

  // Changes that may wait for this object's thread before Post holds the worker.
  static constexpr std::size_t MaxWaiting = 256;

 private:
  void MakeWaitingChanges();
  void Finish(const std::string& error);

  std::thread Worker;
  bool Running = false;
  std::mutex Mutex;
  std::condition_variable Room;
  std::vector<std::function<void()>> Waiting;  // guarded by Mutex
  bool Scheduled = false;                      // guarded by Mutex: MakeWaitingChanges is queued
  std::deque<std::function<void()>> Taken;     // taken from Waiting, still to be made here
};

// Answers the prompter's questions on the thread of a context object (the window's): a call from
// another thread waits there until the question was answered. Dialogs and message boxes may only
// be shown on the window's thread.
class TWindowThreadPrompter : public TPrompter {
 public:
  TWindowThreadPrompter(TPrompter& inner, QObject& context) : Inner(inner), Context(&context) {}

  std::vector<std::string> OpenFiles(const TOpenDialogOptions& options) override;
  std::optional<std::string> BrowseFolder(const std::string& initialFolder) override;
  std::optional<std::string> SaveFile(const TSaveDialogOptions& options) override;
  void ShowMessage(const std::string& text) override;
  void ShowError(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  TUnsavedAnswer AskSaveChanges(const std::string& fileName) override;
  std::optional<std::string> AskReportPasswordFor(const std::string& path) override;
  void ReportMessage(const std::string& text, const std::string& caption,
                     TMessageIcon icon) override;
  std::optional<std::string> AskReportPassword() override;

 private:
  // Calls f on the context's thread and returns what it returned, or raises what it raised.
  template <typename F>
  auto OnContextThread(F&& f) -> std::invoke_result_t<F&>;

  TPrompter& Inner;
  QPointer<QObject> Context;
};

// In the status bar while a run is on: a bar of the files done of the total, the time left and a
// button for the action that cancels the run.
class TRunProgress : public QWidget {
 public:
  TRunProgress(QAction& cancel, QWidget* parent = nullptr);

  // A run starts (shown, at 0) or ends (hidden).
  void SetRunning(bool running);
  void ShowProgress(std::size_t finished, std::size_t total, std::int64_t elapsedMicroseconds);

 private:
  QProgressBar* Bar = nullptr;
  QLabel* TimeLeft = nullptr;
};

}  // namespace kv::gui
