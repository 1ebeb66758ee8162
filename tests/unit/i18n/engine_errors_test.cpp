#include <gtest/gtest.h>

#include "i18n/i18n.h"
#include "i18n_test_util.h"
#include "scan/scan.h"

TEST(EngineErrorTexts, EveryStatusHasItsMessage)
{
    const struct {
        EngineStatus status;
        int id;
    } expected[] = {
        {1, 11363},   {2, 11364},   {3, 11365},   {4, 11366},   {5, 11367},   {6, 11368},   {-2, 11335},
        {-3, 11370},  {-4, 11371},  {-5, 11372},  {-6, 11373},  {-7, 11374},  {-8, 11375},  {-9, 11376},
        {-10, 11377}, {-11, 11378}, {-12, 11379}, {-13, 11380}, {-20, 11381}, {-21, 11382}, {-22, 11383},
        {-23, 11384}, {-100, 11385}, {-101, 11386}, {-102, 11387},
    };
    for (const auto& row : expected)
        EXPECT_EQ(EngineErrorTextId(row.status), row.id) << row.status;
}

TEST(EngineErrorTexts, AnyOtherStatusIsTheGeneralError)
{
    for (EngineStatus status : {0, -1, 7, -14, -19, -24, -99, -103, 211, 0x7FFFFFFF, static_cast<int32_t>(0x80000000)})
        EXPECT_EQ(EngineErrorTextId(status), 11369) << status;
}

TEST(EngineErrorTexts, MessageBoxShowsTheLocalizedTextWithCaptionError)
{
    LocalizationFolder folder;
    ASSERT_EQ(folder.Load("MsgTimeOut The scanner took too long.\n"), 1);
    MessageBoxWatcher watcher;
    ShowEngineError(-11);
    ASSERT_TRUE(watcher.Finish()) << "no message box appeared";
    EXPECT_EQ(watcher.caption(), "Error");
    EXPECT_EQ(watcher.text(), "The scanner took too long.");
}
