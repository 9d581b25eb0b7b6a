#include "scheduler/caption_ticker.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/builders.h"

namespace kalvo::scheduler {
namespace {

std::vector<std::string> Texts(CaptionTicker& ticker, int times, std::string_view holiday) {
    std::vector<std::string> shown;
    for (int i = 0; i < times; ++i)
        shown.push_back(ticker.Step(test::Day(2026, 12, 24), "Adam, Eva", "Božena", holiday));
    return shown;
}

TEST(CaptionTicker, ShowsFiveTextsInTurnAndSkipsAnEmptyHoliday) {
    const TextLocale locale = TextLocale::Slovak();
    CaptionTicker ticker(locale);
    EXPECT_EQ(ticker.NextStep(), 1);
    EXPECT_EQ(Texts(ticker, 6, "Štedrý deň"),
              (std::vector<std::string>{std::string(kProductNotice), "Dátum :: 24.12.2026", "Dnes :: Adam, Eva",
                                        "Štedrý deň", "Zajtra :: Božena", std::string(kProductNotice)}));
    EXPECT_EQ(ticker.NextStep(), 2);
    EXPECT_EQ(Texts(ticker, 4, ""), (std::vector<std::string>{"Dátum :: 24.12.2026", "Dnes :: Adam, Eva",
                                                              "Zajtra :: Božena", std::string(kProductNotice)}));
}

}  // namespace
}  // namespace kalvo::scheduler
