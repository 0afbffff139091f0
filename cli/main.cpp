// rkcorr: picture areas of scanned pages, through libocr-rkcorr.
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <leptonica/allheaders.h>
#include <rkcorr/rkcorr.h>

#include "cli/options.h"
#include "cli/quiet_stderr.h"
#include "cli/page_job.h"
#include "cli/progress_bar.h"
#include "cli/tesseract_engine.h"

namespace {

using namespace rkcli;

// Recognisers are costly to start; each thread that needs one takes one from
// here and gives it back when its page is done.
class EnginePool {
public:
    explicit EnginePool(const Options& opt) : opt_(opt) {}

    TesseractEngine* Take(std::string& error) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!idle_.empty()) {
                TesseractEngine* e = idle_.back();
                idle_.pop_back();
                return e;
            }
        }
        auto engine = std::make_unique<TesseractEngine>();
        if (std::string err = engine->Init(opt_.lang, opt_.tessdata, opt_.oem, opt_.psm); !err.empty()) {
            error = err;
            return nullptr;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        all_.push_back(std::move(engine));
        return all_.back().get();
    }

    void Give(TesseractEngine* e) {
        if (!e) return;
        std::lock_guard<std::mutex> lock(mutex_);
        idle_.push_back(e);
    }

private:
    const Options& opt_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<TesseractEngine>> all_;
    std::vector<TesseractEngine*> idle_;
};

// Pages finish in any order; each page's line is written as soon as it and
// every page before it are done, so the output keeps the input order.
struct Batch {
    const Options& opt;
    EnginePool engines;
    std::vector<PageResult> results;
    std::vector<bool> done;
    size_t next = 0;  // first page not yet written
    bool failed = false, outputFailed = false;
    std::mutex mutex;
    ProgressBar progress;
    Batch(const Options& o, bool showProgress)
        : opt(o),
          engines(o),
          results(o.pages.size()),
          done(o.pages.size()),
          progress(o.pages.size(), showProgress) {}

    void RunPage(size_t i) {
        TesseractEngine* taken = nullptr;
        EngineSource source = [&](std::string& err) {
            if (!taken) taken = engines.Take(err);
            return taken;
        };
        PageResult r = ProcessPage(opt, i, source);
        engines.Give(taken);
        Finish(i, std::move(r));
    }

    void Finish(size_t i, PageResult r) {
        std::lock_guard<std::mutex> lock(mutex);
        results[i] = std::move(r);
        done[i] = true;
        progress.Step();
        for (; next < done.size() && done[next]; ++next) {
            PageResult& page = results[next];
            if (!page.error.empty()) {
                // Another page's decoder may have standard error silenced:
                // the message waits until it is back.
                std::lock_guard<std::mutex> quiet(StderrMutex());
                progress.Finish();  // the message gets a line of its own
                std::fprintf(stderr, "rkcorr: %s\n", page.error.c_str());
                failed = true;
            }
            std::string line = ResultJson(page, opt) + "\n";
            if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size() || std::fflush(stdout) != 0)
                outputFailed = true;
            page = PageResult{};  // a long batch keeps no finished pages
        }
    }
};

class PageCommand : public CRkCommand {
public:
    PageCommand(Batch& batch, size_t index) : batch_(batch), index_(index) {}
    // A worker thread has nowhere to send an exception: the page records it.
    void Run() override {
        try {
            batch_.RunPage(index_);
        } catch (const std::exception& e) {
            Fail(e.what());
        } catch (...) {
            Fail("unexpected failure");
        }
    }

private:
    void Fail(const char* what) {
        PageResult r;
        r.file = batch_.opt.pages[index_];
        r.error = r.file + ": " + what;
        batch_.Finish(index_, std::move(r));
    }

    Batch& batch_;
    size_t index_;
};

}  // namespace

int main(int argc, char** argv) {
    setMsgSeverity(L_SEVERITY_NONE);  // problems are reported once, by this tool, one line per page
    Options opt;
    if (std::string err = ParseOptions(argc, argv, opt); !err.empty()) {
        std::fprintf(stderr, "rkcorr: %s\n", err.c_str());
        return 2;
    }
    if (opt.help) {
        std::fputs(UsageText(), stdout);
        return 0;
    }
    if (opt.version) {
        std::puts("rkcorr " RKCORR_VERSION);
        return 0;
    }
    const bool showProgress = opt.progress && opt.pages.size() > 1 && isatty(STDERR_FILENO);
    try {
        Batch batch(opt, showProgress);
        const unsigned jobs = std::min<size_t>(opt.jobs, opt.pages.size());
        if (jobs <= 1) {
            for (size_t i = 0; i < opt.pages.size(); ++i) batch.RunPage(i);
        } else {
            CRkThreadPool pool{static_cast<int>(jobs)};
            for (size_t i = 0; i < opt.pages.size(); ++i) pool.Store(new PageCommand(batch, i));
            pool.Execute();
        }
        batch.progress.Finish();
        if (batch.outputFailed) {
            std::fprintf(stderr, "rkcorr: cannot write to standard output\n");
            return 1;
        }
        return batch.failed ? 1 : 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "rkcorr: %s\n", e.what());
        return 1;
    }
}
