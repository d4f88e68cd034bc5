// The example's searches. The program asks each chosen service of ours with
// OnSearchRequest; a network plugin must not keep the main thread while its
// servers answer, so one thread of ours does the answering: it reports each
// file with SearchResultAdd, a few at a time as a network would, and ends each
// service's part with SearchComplete. A selected result of ours gets a command
// in the tab's bar and menu that shows the file's details in a window of ours.
//
// The thread never holds our lock while it calls the program: a posted call
// can wait for room in the program's queue, which only the main thread makes,
// and the main thread takes the lock in OnSearchClose.
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "example_plugin.h"
#include "keplinor_plugin.h"

KP_IMPORT(SearchResultAdd);
KP_IMPORT(SearchComplete);
KP_IMPORT(SearchResultButtonAdd);
KP_IMPORT(SearchResultMenuAdd);

namespace {

// Our number for the result command; the program hands it back in the click
// events. Only the low 16 bits travel.
constexpr int32_t kShowDetails = 1;

constexpr std::size_t kResultsPerBurst = 5;
constexpr std::chrono::milliseconds kPauseBetweenBursts{40};

// One service's part of one search. Search IDs come round again after 65001
// searches, so closing marks the jobs themselves rather than remembering IDs.
struct Job {
  kp_handle service = 0;
  int32_t searchId = 0;
  example::Query query;
  std::string serverName;
  std::string address;
  bool closed = false;  // under the lock
};

std::mutex lock;
std::condition_variable wake;  // a job queued, a job closed, or stop
std::deque<std::shared_ptr<Job>> queued;
std::shared_ptr<Job> answering;  // the job the thread is on
bool stopping = false;
std::thread worker;

// Watched: it deletes itself when the user closes it.
QPointer<QMessageBox> details;

bool Over(const Job& job) {
  std::lock_guard guard(lock);
  return stopping || job.closed;
}

// Waits out the pause, or less when the search closes or we stop; true when
// the job is over.
bool Pause(const Job& job) {
  std::unique_lock guard(lock);
  return wake.wait_for(guard, kPauseBetweenBursts, [&job] { return stopping || job.closed; });
}

void Answer(const Job& job) {
  const std::vector<example::Hit> hits = example::FindHits(job.query, job.serverName, job.address);
  for (std::size_t i = 0; i < hits.size(); ++i) {
    if (i > 0 && i % kResultsPerBurst == 0 && Pause(job)) return;
    // Checked before every result: nothing goes out for a search once we know
    // it closed. One that closes meanwhile is dropped by the program.
    if (Over(job)) return;
    const example::Hit& hit = hits[i];
    // An empty icon name gets the program's music or file icon.
    SearchResultAdd(job.service, job.searchId, hit.description.c_str(), hit.hashCode.c_str(),
                    hit.nick.c_str(), hit.size, hit.bitrate, hit.length, hit.frequency,
                    hit.music ? KP_TRUE : KP_FALSE, "", hit.info.c_str(), hit.url.c_str());
  }
  if (!Over(job)) SearchComplete(job.service, job.searchId);
}

void Work() {
  for (;;) {
    std::shared_ptr<Job> job;
    {
      std::unique_lock guard(lock);
      wake.wait(guard, [] { return stopping || !queued.empty(); });
      if (stopping) return;
      job = queued.front();
      queued.pop_front();
      answering = job;
    }
    try {
      Answer(*job);
    } catch (const std::exception&) {
      // Out of memory making the list: end our part so the search does not
      // show as running for ever. An exception must not leave the thread.
      if (!Over(*job)) SearchComplete(job->service, job->searchId);
    }
    std::lock_guard guard(lock);
    answering.reset();
  }
}

QString Duration(int32_t seconds) {
  return QString("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QChar('0'));
}

void ShowDetails(kp_handle pResult) {
  if (pResult == 0 || !example::HaveWidgets()) return;
  // Valid until the search closes; the window keeps copies of what it shows.
  const kp_search_result_record* result = kp_search_result_record_at(pResult);
  QString text =
      QString("Shared by %1\nSize: %2 bytes").arg(QString::fromUtf8(kp_text(result->Nick))).arg(result->Size);
  if (result->IsMusicFile) {
    text += QString("\n%1 kbps, %2, %3 Hz")
                .arg(result->Bitrate)
                .arg(Duration(result->Length))
                .arg(result->Frequency);
  }
  text += "\n" + QString::fromUtf8(kp_text(result->URL));
  // Not modal: the program goes on while the user reads.
  if (!details) {
    details = new QMessageBox();
    details->setAttribute(Qt::WA_DeleteOnClose);
    details->setWindowTitle("Example plugin");
    details->setIcon(QMessageBox::Information);
    details->setModal(false);
  }
  details->setText(QString::fromUtf8(kp_text(result->Description)));
  details->setInformativeText(text);
  details->show();
  details->raise();
}

}  // namespace

namespace example {

void StopSearches() {
  {
    std::lock_guard guard(lock);
    stopping = true;
    queued.clear();
  }
  wake.notify_all();
  // Safe only where the program no longer waits for our thread's calls (see
  // the callers): a call it is in answers 0 at once and it sees the stop.
  if (worker.joinable()) worker.join();
  {
    std::lock_guard guard(lock);
    stopping = false;  // a later request starts a new thread, which shutdown joins
  }
  DeleteUnlessAdopted(details);
  details = nullptr;
}

}  // namespace example

KP_EVENT(OnSearchRequest) {
  std::string name;
  std::string address;
  // Asked for a service that is not ours (any more): nothing to search.
  if (!example::GetServer(poService, name, address)) return;
  try {
    // The texts are valid only during this call.
    auto job = std::make_shared<Job>();
    job->service = poService;
    job->searchId = iSearchID;
    job->query = example::Query{sText1 ? sText1 : "", sText2 ? sText2 : "", kp_is_true(bMP3Search) != 0,
                                iMaximumSize,         iMinimumSize,         iMinimumBitrate};
    job->serverName = name;
    job->address = address;
    // Started first: a job queued for a thread that could not start would be
    // answered by a later one, after we said we were done.
    if (!worker.joinable()) worker = std::thread(Work);
    {
      std::lock_guard guard(lock);
      queued.push_back(std::move(job));
    }
    wake.notify_all();
  } catch (const std::exception&) {
    // No memory or no thread: we cannot search, so say we are done.
    SearchComplete(poService, iSearchID);
  }
}

KP_EVENT(OnSearchClose) {
  {
    std::lock_guard guard(lock);
    std::erase_if(queued,
                  [iSearchID](const std::shared_ptr<Job>& job) { return job->searchId == iSearchID; });
    if (answering && answering->searchId == iSearchID) answering->closed = true;
  }
  wake.notify_all();
}

// The program calls this on the main thread, which is the only place the two
// command functions work. The commands last until the selection changes.
KP_EVENT(OnSearchResultSelect) {
  if (pResult == 0) return;
  SearchResultButtonAdd(kShowDetails, "Details", "AboutIcon.bmp");
  SearchResultMenuAdd(kShowDetails, 0, "Show the file's details", "AboutIcon.bmp");
}

KP_EVENT(OnSearchResultButton) {
  if (iCommand == kShowDetails) ShowDetails(pResult);
}

KP_EVENT(OnSearchResultMenu) {
  if (iCommand == kShowDetails) ShowDetails(pResult);
}

// The user asked to download the result (example_downloads.cpp).
KP_EVENT(OnSearchResultExecute) { example::DownloadResult(pResult); }
