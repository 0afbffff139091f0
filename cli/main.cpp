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
        if (std::string err = engine->Init(opt_.lang, opt_.tessdata); !err.empty()) {
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

struct Batch {
    const Options& opt;
    EnginePool engines;
    std::vector<PageResult> results;
    ProgressBar progress;
    Batch(const Options& o, bool showProgress)
        : opt(o), engines(o), results(o.pages.size()), progress(o.pages.size(), showProgress) {}

    void RunPage(size_t i) {
        TesseractEngine* taken = nullptr;
        EngineSource source = [&](std::string& err) {
            if (!taken) taken = engines.Take(err);
            return taken;
        };
        results[i] = ProcessPage(opt, i, source);
        engines.Give(taken);
        progress.Step();
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
            batch_.results[index_].error = batch_.opt.pages[index_] + ": " + e.what();
        } catch (...) {
            batch_.results[index_].error = batch_.opt.pages[index_] + ": unexpected failure";
        }
    }

private:
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
        int status = 0;
        for (const PageResult& r : batch.results) {
            if (!r.error.empty()) {
                std::fprintf(stderr, "rkcorr: %s\n", r.error.c_str());
                status = 1;
            } else {
                std::printf("%s\n", ResultJson(r, opt.timing).c_str());
            }
        }
        if (std::fflush(stdout) != 0) {
            std::fprintf(stderr, "rkcorr: cannot write to standard output\n");
            return 1;
        }
        return status;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "rkcorr: %s\n", e.what());
        return 1;
    }
}
