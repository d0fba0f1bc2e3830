// The dialogs' tests run on Qt's offscreen platform in a private session: no display and none of
// the user's folders are ever touched.
#include <QApplication>
#include <gtest/gtest.h>

#include "tests/support/private_session.h"

int main(int argc, char** argv) {
    testsupport::PrivateEnvironment session("korvante-dialogs", testsupport::PrivateEnvironment::Display::Clear);
    session.set("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
