// --screenshot FILE --after N on the program itself: the picture is saved
// and the program ends after N seconds even when a --connect fails and its
// message box waits for a click.
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "shell_fixture.h"

TEST(ScreenshotMode, FailedConnectionStillSavesThePictureAndEnds)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString picture = dir.filePath("shot.png");
    QProcess velmora;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", dir.path());   // no remembered settings of the user's
    velmora.setProcessEnvironment(env);
    velmora.setWorkingDirectory(dir.path());
    velmora.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    velmora.start(VELMORA_PATH, {"--connect", QString("P731X,TCP/IP,127.0.0.1:%1_0,Gone").arg(deadPort()),
                                 "--screenshot", picture, "--after", "2"});
    ASSERT_TRUE(velmora.waitForStarted(20000));
    const bool ended = velmora.waitForFinished(60000);
    if (!ended) {
        velmora.kill();   // by its pid: it is our child
        velmora.waitForFinished(5000);
    }
    ASSERT_TRUE(ended) << "Velmora still runs: it waits on the failed connection's message";
    EXPECT_EQ(velmora.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(velmora.exitCode(), 0);
    const QImage shot(picture);
    ASSERT_FALSE(shot.isNull()) << "no picture at " << picture.toStdString();
    EXPECT_GT(shot.width(), 400);
}
