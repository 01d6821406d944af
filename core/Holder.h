#pragma once
#include <QSharedPointer>

#include <utility>

// Lets objects of unrelated types sit in one table; the holder owns one reference.
class IHolder
{
public:
    virtual ~IHolder() = default;
};

template <typename T>
class Holder : public IHolder
{
public:
    explicit Holder(QSharedPointer<T> object) : m_object(std::move(object)) {}
    QSharedPointer<T> object() const { return m_object; }

private:
    QSharedPointer<T> m_object;
};
