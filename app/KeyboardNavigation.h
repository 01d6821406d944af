#pragma once
#include <QObject>

class QEvent;

// Whether the person is using the keyboard: true from a navigation key (Tab, arrows, paging,
// Space, Enter, Escape, also inside a shortcut such as Ctrl+Tab) until the next mouse or touch
// press. The focus frame is drawn only while it is true, so a click never draws one and the
// pages look as they always did until someone presses such a key. Created by the focus frame in
// QML; watches the whole application, since a shortcut's key never reaches an item.
class KeyboardNavigation : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool active READ isActive NOTIFY activeChanged)
public:
    explicit KeyboardNavigation(QObject *parent = nullptr);

    bool isActive() const { return m_active; }

    // The keys that move or act: the others (letters, Ctrl+B) leave the state alone.
    static bool isNavigationKey(int key);

signals:
    void activeChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setActive(bool active);

    bool m_active = false;
};
