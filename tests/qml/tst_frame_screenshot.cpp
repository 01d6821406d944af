// The panel's window on a real X display (Xvfb, OpenGL through Mesa) with one simulated Alto:
// ribbon, five tabs and the status page are drawn. The picture is saved as
// frame.png beside this test's binary, so running the test regenerates it.
#include "app/AppRegistrations.h"
#include "app/MovableWidget.h"
#include "core/ServiceContainer.h"

#include <QImage>
#include <QQuickItem>
#include <QSet>
#include <QtTest>

namespace {
bool near(QRgb a, QColor b, int tolerance = 4)
{
    return qAbs(qRed(a) - b.red()) <= tolerance && qAbs(qGreen(a) - b.green()) <= tolerance &&
           qAbs(qBlue(a) - b.blue()) <= tolerance;
}
} // namespace

class TestFrameScreenshot : public QObject
{
    Q_OBJECT
private slots:
    void frameIsDrawn()
    {
        Q_INIT_RESOURCE(calder_resources);
        ServiceContainer container;
        ServiceContainer::setInstance(&container);
        registerServices(container);
        registerQmlTypes();
        {
            QSharedPointer<MovableWidget> window = container.resolve<MovableWidget>();
            window->setResizeMode(QQuickView::SizeViewToRootObject);
            window->setSource(QUrl(QStringLiteral("qrc:/UI/Qml/Main.qml")));
            window->setFlags(Qt::Window | Qt::FramelessWindowHint);
            window->setMinimumSize(QSize(800, 500));
            window->setMaximumSize(QSize(800, 500));
            QCOMPARE(window->status(), QQuickView::Ready);
            QQuickItem *root = window->rootObject();
            QVERIFY(root);
            // At 96 dpi the window is at scale 1; the checks below use that geometry.
            QCOMPARE(root->width(), 800.0);

            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window.data()));
            auto *loader = root->findChild<QQuickItem *>(QStringLiteral("pageLoader"));
            QVERIFY(loader);
            QTRY_VERIFY(loader->property("item").value<QQuickItem *>());
            auto *tabs = root->findChild<QObject *>(QStringLiteral("tabRepeater"));
            QVERIFY(tabs);
            QTRY_COMPARE(tabs->property("count").toInt(), 5);
            QTest::qWait(500); // images, fonts and the status page's first values

            const QImage image = window->grabWindow().convertToFormat(QImage::Format_RGB32);
            QCOMPARE(image.size(), QSize(800, 500));
            const QString path = QStringLiteral(CALDER_SCREENSHOT_DIR "/frame.png");
            QVERIFY(image.save(path));
            qInfo("Saved %s", qPrintable(path));

            // Not blank: a drawn frame has many colours.
            QSet<QRgb> colours;
            for (int y = 0; y < image.height(); y += 2)
                for (int x = 0; x < image.width(); x += 2)
                    colours.insert(image.pixel(x, y));
            QVERIFY2(colours.size() > 50, qPrintable(QString::number(colours.size())));

            // The ribbon's colour across the top band, away from logo, title and close button.
            const QColor ribbon(QStringLiteral("#002538"));
            for (int x : {500, 600, 700})
                QVERIFY2(near(image.pixel(x, 25), ribbon), qPrintable(QString::number(image.pixel(x, 25), 16)));
            // The white title and close button are drawn in it.
            int light = 0;
            for (int y = 5; y < 45; ++y)
                for (int x = 40; x < 800; ++x)
                    light += qGray(image.pixel(x, y)) > 200;
            QVERIFY2(light > 100, qPrintable(QString::number(light)));
            // The first tab is current: its bar runs along the bottom of the tab row.
            QVERIFY(near(image.pixel(70, 84), QColor(QStringLiteral("#007CBB"))));
            QVERIFY(!near(image.pixel(230, 84), QColor(QStringLiteral("#007CBB"))));
        }
        container.clearInstances();
        container.clearFactories();
    }
};

QTEST_MAIN(TestFrameScreenshot)
#include "tst_frame_screenshot.moc"
