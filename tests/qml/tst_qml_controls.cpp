// Qt Quick Test runner for the controls, with a probe that collects the engine's warnings so
// that each QML test can insist there were none.
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlError>
#include <QtQuickTest>

class TestProbe : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    QStringList warnings;
    // The warnings since the last call, one a line; forgets them.
    Q_INVOKABLE QString takeWarnings()
    {
        const QString all = warnings.join(QLatin1Char('\n'));
        warnings.clear();
        return all;
    }
};

class Setup : public QObject
{
    Q_OBJECT
public slots:
    // The resources live in a static library that nothing here references otherwise.
    void applicationAvailable() { Q_INIT_RESOURCE(calder_resources); }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        auto *probe = new TestProbe(engine);
        connect(engine, &QQmlEngine::warnings, probe, [probe](const QList<QQmlError> &errors) {
            for (const QQmlError &error : errors)
                probe->warnings << error.toString();
        });
        engine->rootContext()->setContextProperty(QStringLiteral("testProbe"), probe);
    }
};

QUICK_TEST_MAIN_WITH_SETUP(qml_controls, Setup)

#include "tst_qml_controls.moc"
