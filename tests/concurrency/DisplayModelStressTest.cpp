#include "CDisplayCells.h"
#include "CDisplayModel.h"
#include "CPanelLock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace {

constexpr int kIterations = 20000;
constexpr float kCalValue = 0.7f;

// Checks every render: never two at once, never while detached, and never a
// number torn between two writers (cells 1 to 8 hold one repeated digit).
class CheckingCells : public CDisplayCells {
public:
    bool isReady() const override { return true; }
    void render(const LcdContent& content) override
    {
        if (m_inRender.fetch_add(1) != 0)
            overlaps.fetch_add(1);
        if (!attached.load())
            rendersWhileDetached.fetch_add(1);
        if (checkUniform.load()) {
            for (int i = 2; i < LcdContent::kCells; ++i) {
                if (content.cells[i] != content.cells[1]) {
                    tornNumbers.fetch_add(1);
                    break;
                }
            }
        }
        last = content;
        renders.fetch_add(1);
        m_inRender.fetch_sub(1);
    }

    std::atomic<bool> attached{false};
    std::atomic<bool> checkUniform{false};
    std::atomic<int> overlaps{0};
    std::atomic<int> rendersWhileDetached{0};
    std::atomic<int> tornNumbers{0};
    std::atomic<int> renders{0};
    LcdContent last{};

private:
    std::atomic<int> m_inRender{0};
};

std::string repeatedDigit(int digit)
{
    return " " + std::string(8, static_cast<char>('0' + digit % 10));
}

} // namespace

// Writers take turns through the panel lock: the audio thread only tries it
// and skips its write when the host thread holds it. The editor's thread
// attaches, refreshes and detaches the cells meanwhile and must never see a
// number torn between two writes.
TEST(DisplayModelStressTest, WritersThroughThePanelLockAgainstTheEditor)
{
    CDisplayModel model;
    CPanelLock lock;
    CheckingCells cells;
    model.setMode(kCalValue, false, 0.0f);
    model.showNumber(" 00000000", 0, false, false, false);
    cells.checkUniform.store(true);

    std::atomic<int> running{2};
    std::atomic<int> skipped{0};
    std::thread audio([&] {
        const std::string texts[2] = {repeatedDigit(1), repeatedDigit(2)};
        for (int i = 0; i < kIterations; ++i) {
            if (!lock.try_lock()) {
                skipped.fetch_add(1);
                continue;
            }
            model.showNumber(texts[i % 2].c_str(), '+', false, false, false);
            model.tick();
            model.setMemoryFull((i & 8) != 0);
            lock.unlock();
        }
        running.fetch_sub(1);
    });
    std::thread host([&] {
        const std::string texts[2] = {repeatedDigit(7), repeatedDigit(8)};
        for (int i = 0; i < kIterations; ++i) {
            std::lock_guard<CPanelLock> guard(lock);
            model.showNumber(texts[i % 2].c_str(), '*', false, true, false);
            model.flush(false);
        }
        running.fetch_sub(1);
    });
    int refreshes = 0;
    for (int i = 0; running.load() > 0 || i < 1000; ++i) {
        if (i % 100 == 0) {
            cells.attached.store(true);
            model.attachView(&cells);
        }
        refreshes += model.refreshView() ? 1 : 0;
        if (i % 100 == 99) {
            model.detachView();
            cells.attached.store(false);
        }
    }
    audio.join();
    host.join();

    EXPECT_EQ(cells.overlaps.load(), 0);
    EXPECT_EQ(cells.rendersWhileDetached.load(), 0);
    EXPECT_EQ(cells.tornNumbers.load(), 0);
    EXPECT_GT(cells.renders.load(), 0);

    // After the writers stop, attaching shows exactly the model's content.
    cells.attached.store(true);
    model.attachView(&cells);
    const LcdContent now = model.content();
    EXPECT_EQ(std::string(cells.last.cells, LcdContent::kCells), std::string(now.cells, LcdContent::kCells));
    EXPECT_EQ(std::string(cells.last.marks, LcdContent::kMarks), std::string(now.marks, LcdContent::kMarks));
}
