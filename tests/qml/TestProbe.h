#pragma once
#include <QObject>
#include <QStringList>

// The engine's warnings, so that each QML test can insist there were none.
class TestProbe : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    void addWarning(const QString &warning) { m_warnings << warning; }
    // The warnings since the last call, one a line; forgets them.
    Q_INVOKABLE QString takeWarnings()
    {
        const QString all = m_warnings.join(QLatin1Char('\n'));
        m_warnings.clear();
        return all;
    }

private:
    QStringList m_warnings;
};
