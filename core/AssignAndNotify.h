#pragma once
// The write accessor of every notifying property: assign and emit the property's Changed signal
// only when the value differs. A Changed signal with a parameter gets the new value. Returns
// whether the value changed.
//
//     void DuckerVM::setDuckerOn(bool value) { assignAndNotify(this, m_duckerOn, value, &DuckerVM::duckerOnChanged); }
#include <utility>

template <typename Object, typename Member, typename Value, typename SignalOwner>
bool assignAndNotify(Object *object, Member &member, Value &&value, void (SignalOwner::*changed)())
{
    if (member == value)
        return false;
    member = std::forward<Value>(value);
    (object->*changed)();
    return true;
}

template <typename Object, typename Member, typename Value, typename SignalOwner, typename Arg>
bool assignAndNotify(Object *object, Member &member, Value &&value, void (SignalOwner::*changed)(Arg))
{
    if (member == value)
        return false;
    member = std::forward<Value>(value);
    (object->*changed)(member);
    return true;
}
