#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <vector>

#include "service/report_dispatch.h"

namespace {

// The report in a heap block of exactly its size, so a read past its end is caught.
ReportAction classify(std::vector<uint8_t> bytes, int profile = 2) {
    std::unique_ptr<uint8_t[]> buf(new uint8_t[bytes.size() ? bytes.size() : 1]);
    std::copy(bytes.begin(), bytes.end(), buf.get());
    return classifyReport(bytes.empty() ? 0 : bytes[0], buf.get(), static_cast<int>(bytes.size()), profile);
}

}  // namespace

TEST(ReportDispatch, NotificationsToThePanel) {
    ReportAction a = classify({8, 2, 5, 0, 0, 0, 0, 0});
    EXPECT_EQ(a.kind, ReportAction::Kind::NotifyPanel);
    EXPECT_EQ(a.wParam, 8);
    EXPECT_EQ(a.lParam, 5);
    a = classify({8, 1, 3, 0, 0, 0, 0, 0});
    EXPECT_EQ(a.wParam, 9);
    EXPECT_EQ(a.lParam, 3);
    a = classify({8, 9, 16, 0, 0, 0, 0, 0});
    EXPECT_EQ(a.wParam, 10);
    EXPECT_EQ(a.lParam, 16);
    EXPECT_EQ(classify({7, 2, 5, 0}).kind, ReportAction::Kind::None);
    // Stage and profile numbers index the settings record: the edges pass, anything past is ignored.
    EXPECT_EQ(classify({8, 2, 6}).kind, ReportAction::Kind::NotifyPanel);
    EXPECT_EQ(classify({8, 1, 4}).kind, ReportAction::Kind::NotifyPanel);
    for (int value : {7, 100, 255}) EXPECT_EQ(classify({8, 2, uint8_t(value)}).kind, ReportAction::Kind::None) << value;
    for (int value : {5, 9, 255}) EXPECT_EQ(classify({8, 1, uint8_t(value)}).kind, ReportAction::Kind::None) << value;
    EXPECT_EQ(classify({8, 3, 5, 0}).kind, ReportAction::Kind::None);
}

TEST(ReportDispatch, ProfileStepsStayWithinTheFiveProfiles) {
    ReportAction a = classify({8, 255, 23, 0}, 2);
    EXPECT_EQ(a.kind, ReportAction::Kind::ProfileStep);
    EXPECT_EQ(a.newProfile, 3);
    EXPECT_EQ(a.wParam, 9);
    EXPECT_EQ(a.lParam, 3);
    EXPECT_EQ(classify({8, 255, 23, 0}, 4).newProfile, 4);  // still written and notified
    EXPECT_EQ(classify({8, 255, 23, 0}, 4).kind, ReportAction::Kind::ProfileStep);
    EXPECT_EQ(classify({8, 255, 24, 0}, 0).newProfile, 0);
    EXPECT_EQ(classify({8, 255, 24, 0}, 3).newProfile, 2);
    EXPECT_EQ(classify({8, 255, 24, 0}, INT_MIN).newProfile, 0);  // no overflow at the ends of the range
    EXPECT_EQ(classify({8, 255, 23, 0}, INT_MAX).newProfile, 4);
}

TEST(ReportDispatch, HostFunctionCodesWhateverTheReportId) {
    ReportAction a = classify({3, 255, 70, 0, 0});
    EXPECT_EQ(a.kind, ReportAction::Kind::SoftwareAction);
    EXPECT_EQ(a.functionCode, 70);
    EXPECT_EQ(classify({8, 255, 64}).functionCode, 64);
    EXPECT_EQ(classify({8, 255, 72}).functionCode, 72);
    EXPECT_EQ(classify({8, 255, 80}).functionCode, 80);
    EXPECT_EQ(classify({8, 255, 85}).functionCode, 85);
    EXPECT_EQ(classify({8, 255, 73}).kind, ReportAction::Kind::None);
    EXPECT_EQ(classify({8, 255, 79}).kind, ReportAction::Kind::None);
    EXPECT_EQ(classify({8, 255, 86}).kind, ReportAction::Kind::None);
    EXPECT_EQ(classify({8, 255, 0}).kind, ReportAction::Kind::None);
}

TEST(ReportDispatch, ShortReportsAreNeverReadPastTheirEnd) {
    EXPECT_EQ(classify({}).kind, ReportAction::Kind::None);
    EXPECT_EQ(classify({8}).kind, ReportAction::Kind::None);
    EXPECT_EQ(classify({8, 255}).kind, ReportAction::Kind::None);  // no code byte: nothing
    ReportAction a = classify({8, 2});
    EXPECT_EQ(a.kind, ReportAction::Kind::NotifyPanel);
    EXPECT_EQ(a.lParam, 0);
    EXPECT_EQ(classifyReport(8, nullptr, 9, 0).kind, ReportAction::Kind::None);

    const uint8_t three[3] = {8, 0xAB, 0x0C};
    EXPECT_EQ(reportHexLine(three, 3), "08 ab 0c 00 00 00 00 00 00\n");
    const uint8_t ten[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    EXPECT_EQ(reportHexLine(ten, 10), "01 02 03 04 05 06 07 08 09\n");
    const std::string id = reportIdLine(8, nullptr, 9);
    EXPECT_EQ(id, "ID:8,pBuffer=0 , Length=9\n");
}
