#include "export/OrderedBands.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace vantorix::cube {

int ThreadCount(int threads) {
    return threads > 0 ? threads : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

void MakeAndUseInOrder(int bands, int threads, int slots, const std::function<void(int band, int slot)>& make,
                       const std::function<void(int band, int slot)>& use) {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<bool> made(static_cast<std::size_t>(std::max(bands, 0)), false);
    int used = 0;
    bool stopped = false;
    std::exception_ptr failure;
    std::atomic<int> next{0};

    const auto work = [&] {
        for (int band; (band = next.fetch_add(1)) < bands;) {
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return stopped || band - used < slots; });
                if (stopped) return;
            }
            try {
                make(band, band % slots);
            } catch (...) {
                const std::lock_guard lock(mutex);
                if (!failure) failure = std::current_exception();
                stopped = true;
                changed.notify_all();
                return;
            }
            const std::lock_guard lock(mutex);
            made[static_cast<std::size_t>(band)] = true;
            changed.notify_all();
        }
    };
    std::vector<std::thread> workers;
    const auto stop = [&] {
        {
            const std::lock_guard lock(mutex);
            stopped = true;
        }
        changed.notify_all();
        for (std::thread& worker : workers) worker.join();
    };
    try {
        for (int t = 0; t < std::max(1, threads); ++t) workers.emplace_back(work);
        for (int band = 0; band < bands; ++band) {
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return made[static_cast<std::size_t>(band)] || failure; });
                if (failure) break;
            }
            use(band, band % slots);
            {
                const std::lock_guard lock(mutex);
                ++used;
            }
            changed.notify_all();
        }
    } catch (...) {
        stop();
        throw;
    }
    stop();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace vantorix::cube
