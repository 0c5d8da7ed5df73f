// The window's report run, timed without a display: the workbench model converts every *.kvf
// file under a folder as the window does, its work on a worker thread and every change it makes
// carried to this (the window's) thread and made there in order. Prints the elapsed nanoseconds.
//
//   kv_bench_window_reports FOLDER [PASSWORD]
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <exception>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "app/Workbench.h"
#include "writer/Registration.h"

namespace {

// Answers what a report run asks: the password given, nothing else.
class TBenchPrompter : public kv::TPrompter {
 public:
  explicit TBenchPrompter(std::string password) : Password(std::move(password)) {}
  std::vector<std::string> OpenFiles(const kv::TOpenDialogOptions&) override { return {}; }
  std::optional<std::string> BrowseFolder(const std::string&) override { return {}; }
  std::optional<std::string> SaveFile(const kv::TSaveDialogOptions&) override { return {}; }
  void ShowMessage(const std::string&) override {}
  void ShowError(const std::string& text) override {
    std::fprintf(stderr, "kv_bench_window_reports: %s\n", text.c_str());
  }
  bool Confirm(const std::string&) override { return false; }
  TUnsavedAnswer AskSaveChanges(const std::string&) override { return TUnsavedAnswer::Discard; }
  void ReportMessage(const std::string&, const std::string&, kv::TMessageIcon) override {}
  std::optional<std::string> AskReportPassword() override { return Password; }

 private:
  std::string Password;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: kv_bench_window_reports FOLDER [PASSWORD]\n");
    return 2;
  }
  kv::RegisterReportLibrary();
  TBenchPrompter prompter(argc > 2 ? argv[2] : "");
  const std::string settings =
      (std::filesystem::temp_directory_path() / "kv_bench_window_reports.ini").string();
  kv::TfrmMain form(prompter, settings);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[1])) {
    if (entry.is_regular_file() && entry.path().extension() == ".kvf") {
      form.AddFilesRep(entry.path().string());
    }
  }

  // The window's thread: changes wait in a queue and are made here, in order.
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::function<void()>> waiting;
  bool ended = false;
  form.PostChange = [&](std::function<void()> change) {
    {
      std::lock_guard lock(mutex);
      waiting.push_back(std::move(change));
    }
    changed.notify_one();
  };

  const auto start = std::chrono::steady_clock::now();
  kv::TfrmMain::TRunWork work = form.PrepareReportRun();
  std::exception_ptr error;
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      error = std::current_exception();
    }
    {
      std::lock_guard lock(mutex);
      ended = true;
    }
    changed.notify_one();
  });
  for (;;) {
    std::deque<std::function<void()>> taken;
    {
      std::unique_lock lock(mutex);
      changed.wait(lock, [&] { return ended || !waiting.empty(); });
      taken.swap(waiting);
      if (taken.empty() && ended) break;
    }
    for (auto& change : taken) change();
  }
  worker.join();
  const auto elapsed = std::chrono::steady_clock::now() - start;
  std::filesystem::remove(settings);
  if (error) {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "kv_bench_window_reports: %s\n", e.what());
      return 1;
    }
  }
  std::size_t done = 0;
  for (const kv::TFileRow& row : form.SearchListReport.Rows) done += row.Cells[1] != "Failed";
  std::fprintf(stderr, "%zu of %zu reports converted\n", done, form.SearchListReport.Rows.size());
  std::printf("%lld\n",
              static_cast<long long>(
                  std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count()));
  return 0;
}
