#pragma once
// Loads one page file from the program's resources into a window that provides what the shell
// provides (style objects, a page area of 800 x 414), with a FakeViewModel behind the real
// wrapper names. Collects the warnings logged meanwhile, and finds and clicks items the way a
// user sees them: by their visible text, their image, or the page's object names.
#include "FakeViewModel.h"

#include <QQuickItem>
#include <QQuickView>
#include <functional>
#include <memory>

class ViewHarness
{
public:
    ViewHarness();
    ~ViewHarness();

    // `page` is the file under qrc:/UI/Qml/MasterViews/; its fake starts from `state`.
    // Clears the journal and the collected warnings.
    bool load(const QString &page, const QVariantMap &state = {});
    // Destroys the page as the shell's Loader does when another tab is chosen.
    void unload();

    QQuickView &view() { return *m_view; }
    QQuickItem *page() const;
    FakeViewModel *vm() const;
    QStringList &journal() const { return FakeViewModel::journal(); }
    // Warnings from QML: errors in a qrc file, failed assignments, binding loops, missing images.
    QStringList qmlProblems() const;

    QList<QQuickItem *> find(QQuickItem *root, const std::function<bool(QQuickItem *)> &match) const;
    QQuickItem *byName(const QString &objectName) const;
    // Items under `root` (default: the page) that can be seen and show `text` / draw `image`.
    QList<QQuickItem *> texts(const QString &text, QQuickItem *root = nullptr) const;
    QQuickItem *text(const QString &text, QQuickItem *root = nullptr) const { return texts(text, root).value(0); }
    QList<QQuickItem *> images(const QUrl &image, QQuickItem *root) const;
    // Slider controls under `root`, left to right.
    QList<QQuickItem *> sliders(QQuickItem *root) const;
    static bool isShown(QQuickItem *item);

    void click(QQuickItem *item) const;
    void clickScene(QPointF scenePoint) const;
    // A spot of the page's background away from every control.
    void clickBackground() const;

private:
    std::unique_ptr<QQuickView> m_view;
};

#define VERIFY_NO_QML_PROBLEMS(h) QVERIFY2((h).qmlProblems().isEmpty(), qPrintable((h).qmlProblems().join('\n')))
