#pragma once
// Base of every value that a command library defines. The type name identifies the
// class at run time: every check on a user value compares it exactly. A derived class
// overrides the operations it supports; the others raise their base message.

#include <iosfwd>
#include <string>
#include <utility>

namespace tala::interp {

class Object;

class UserObject {
public:
    UserObject(const UserObject&) = delete;
    UserObject& operator=(const UserObject&) = delete;
    virtual ~UserObject() = default;

    const std::string& typeName() const { return typeName_; }

    // Replaces this value's contents by the source's; called only when the type names
    // are equal. Base: raises "Cannot copy this type."
    virtual void copy(const UserObject& source);
    // Base: writes the type name and a line end.
    virtual void print(std::ostream& out) const;

    // Arithmetic receives both operands in script order and stores any value it makes
    // into result itself (normally with setUserObject). Base: raises "Cannot <op> this type."
    virtual void add(const Object& left, const Object& right, Object& result);
    virtual void subtract(const Object& left, const Object& right, Object& result);
    virtual void multiply(const Object& left, const Object& right, Object& result);
    virtual void divide(const Object& left, const Object& right, Object& result);

    // Comparisons receive the Object holding this value first. Base: raises
    // "Cannot compare this type."
    virtual bool equals(const Object& own, const Object& other);
    virtual bool greaterThan(const Object& own, const Object& other);
    virtual bool lessThan(const Object& own, const Object& other);

protected:
    explicit UserObject(std::string typeName) : typeName_(std::move(typeName)) {}

private:
    std::string typeName_;
};

}  // namespace tala::interp
