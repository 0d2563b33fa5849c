#include "extraction.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "archive_check.h"
#include "errors.h"
#include "output_names.h"

namespace echodelve {

namespace {

// A worker cannot ask the user anything: the question would come out of
// order, off the thread that may talk to the user. The sound is handed back
// to the calling thread, which asks when its turn comes.
class HandBackHooks : public UiHooks {
  public:
    void PumpEvents() override {}
    bool SaveSoundThatIsNotRiff(const SoundQuery& /*sound*/) override {
        handedBack = true;
        return false;
    }
    bool handedBack = false;
};

SoundOutcome ExtractOne(const SoundCatalogue& catalogue, const ExtractionJob& job,
                        const ExtractionSettings& settings, UiHooks& ui, ByteReader* reader) {
    SoundOutcome outcome;
    std::error_code missing;
    if (settings.keepExisting &&
        std::filesystem::exists(std::filesystem::symlink_status(job.target, missing))) {
        outcome.kind = SoundOutcome::Kind::Kept;
        return outcome;
    }
    try {
        if (settings.conversion) {
            ConvertCataloguedSound(catalogue, job.number, job.target, *settings.conversion);
        } else if (!ExtractCataloguedSound(catalogue, job.number, job.target, ui, reader)) {
            outcome.kind = SoundOutcome::Kind::Declined;
            return outcome;
        }
        outcome.kind = SoundOutcome::Kind::Written;
        if (catalogue.archiveSize) {
            outcome.problem = PlaceProblem(catalogue.Slot(job.number), *catalogue.archiveSize);
            outcome.padded = !outcome.problem.empty();
        }
    } catch (const SoundRefused& refused) {
        outcome.kind = SoundOutcome::Kind::Refused;
        outcome.problem = refused.what();
    } catch (const std::bad_alloc&) {
        outcome.problem = "There was not enough memory to write '" + job.target.string() + "'.";
    } catch (const std::exception& failure) {
        outcome.problem = failure.what();
    }
    return outcome;
}

}  // namespace

std::size_t DefaultWorkers() {
    return std::max(1U, std::thread::hardware_concurrency());
}

std::vector<ExtractionJob> PlanExtraction(const SoundCatalogue& catalogue,
                                          std::span<const std::int32_t> numbers,
                                          const std::filesystem::path& folder,
                                          std::optional<ConvertTo> conversion) {
    SaveAllNames names;  // equal catalogue names must not replace each other
    std::vector<ExtractionJob> jobs;
    jobs.reserve(numbers.size());
    for (const std::int32_t number : numbers) {
        const std::string& stored = catalogue.Slot(number).name;
        const std::string name =
            conversion ? ReplaceExtension(stored, ConvertedExtension(*conversion)) : stored;
        jobs.push_back({number, folder / names.Claim(name, number)});
    }
    return jobs;
}

std::size_t RunExtraction(const SoundCatalogue& catalogue, std::span<const ExtractionJob> jobs,
                          const ExtractionSettings& settings, UiHooks& ui,
                          const std::function<bool(std::size_t, const SoundOutcome&)>& report) {
    const std::size_t total = jobs.size();
    // Reports one outcome; false when the run ends there.
    const auto reportOne = [&](std::size_t i, const SoundOutcome& outcome) {
        const bool goOn = report(i, outcome);
        return goOn && !(settings.stopAtFailure && outcome.kind == SoundOutcome::Kind::Failed);
    };
    const auto runSerially = [&] {
        std::size_t i = 0;
        while (i < total && reportOne(i, ExtractOne(catalogue, jobs[i], settings, ui, nullptr))) {
            ++i;
        }
        return std::min(i + 1, total);
    };
    if (settings.workers <= 1 || total <= 1) {
        return runSerially();
    }

    // Sounds are independent files: a small pool writes them while this
    // thread reports them in order, asks what must be asked and keeps the
    // user interface alive.
    struct Done {
        SoundOutcome outcome;
        bool handedBack = false;
    };
    std::mutex mutex;
    std::condition_variable ready;
    std::vector<std::optional<Done>> done(total);
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stopping{false};
    std::size_t working = 0;  // workers still running, under mutex
    const auto work = [&] {
        // Nobody is asked anything here, so each worker keeps the archive
        // open for all its sounds rather than opening it for each.
        std::unique_ptr<ByteReader> reader;
        try {
            if (catalogue.source) {
                reader = catalogue.source->Open();
            }
        } catch (const std::exception&) {  // NOLINT(bugprone-empty-catch)
            // each sound then opens it, and says why it could not
        }
        for (std::size_t i = next++; i < total && !stopping; i = next++) {
            HandBackHooks hooks;
            Done result{ExtractOne(catalogue, jobs[i], settings, hooks, reader.get()),
                        hooks.handedBack};
            if (settings.stopAtFailure && result.outcome.kind == SoundOutcome::Kind::Failed) {
                stopping = true;
            }
            const std::lock_guard lock(mutex);
            done[i] = std::move(result);
            ready.notify_all();
        }
        const std::lock_guard lock(mutex);
        --working;
        ready.notify_all();
    };
    std::vector<std::jthread> pool;
    for (std::size_t w = 0; w < std::min(settings.workers, total); ++w) {
        try {
            const std::lock_guard lock(mutex);
            pool.emplace_back(work);
            ++working;
        } catch (const std::system_error&) {
            break;  // no more threads to be had (a process or memory limit): fewer do it all
        }
    }
    if (pool.empty()) {
        return runSerially();
    }

    // However the reporting ends, no further sound starts; the pool's
    // destructor waits for those under way.
    struct StopAtEnd {
        std::atomic<bool>& stopping;
        ~StopAtEnd() { stopping = true; }
    } const stopAtEnd{stopping};
    std::size_t reported = 0;
    for (; reported < total; ++reported) {
        std::optional<Done> result;
        {
            std::unique_lock lock(mutex);
            constexpr auto kPumpInterval = std::chrono::milliseconds(10);
            while (!done[reported] && working > 0) {
                if (!ready.wait_for(lock, kPumpInterval,
                                    [&] { return done[reported].has_value() || working == 0; })) {
                    lock.unlock();
                    ui.PumpEvents();
                    lock.lock();
                }
            }
            result = std::move(done[reported]);
        }
        if (!result) {
            break;  // the workers stopped at a failure before this sound
        }
        if (result->handedBack) {
            result->outcome = ExtractOne(catalogue, jobs[reported], settings, ui, nullptr);
        }
        if (!reportOne(reported, result->outcome)) {
            ++reported;
            break;
        }
    }
    return reported;
}

}  // namespace echodelve
