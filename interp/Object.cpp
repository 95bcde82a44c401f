#include "interp/Object.h"

#include <ostream>
#include <utility>

#include "support/Failure.h"

namespace tala::interp {

using support::Failure;

namespace {

bool knownTag(ObjectType type) {
    return type == ObjectType::String || type == ObjectType::Integer ||
           type == ObjectType::Double || type == ObjectType::UserType;
}

template <typename T>
T* valueOf(const Object& object, ObjectType tag) {
    if (!object.holds(tag)) return nullptr;
    return std::get_if<T>(object.data.get());
}

}  // namespace

Object::Object(std::string name, ObjectType type, std::shared_ptr<ObjectValue> data)
    : name(std::move(name)), type(type), data(std::move(data)) {}

Object::Object(std::string name, std::unique_ptr<UserObject> value)
    : name(std::move(name)),
      type(ObjectType::UserType),
      data(value ? std::make_shared<ObjectValue>(std::move(value)) : nullptr) {}

void Object::release() {
    if (isTemp() && data && !knownTag(type)) {
        data.reset();
        throw Failure("Unrecognized type");
    }
    data.reset();
}

namespace {

// Releases what the object holds, then owns `value` under the temp name.
template <typename T>
void store(Object& object, ObjectType tag, T value) {
    object.release();
    object.data = std::make_shared<ObjectValue>(std::move(value));
    object.name = kObjectTempName;
    object.type = tag;
}

}  // namespace

void Object::setString(std::string text) { store(*this, ObjectType::String, std::move(text)); }
void Object::setInteger(std::int32_t number) { store(*this, ObjectType::Integer, number); }
void Object::setDouble(double number) { store(*this, ObjectType::Double, number); }

void Object::setUserObject(UserObject* value) { setUserObject(std::unique_ptr<UserObject>(value)); }

void Object::setUserObject(std::unique_ptr<UserObject> value) {
    release();
    if (value) data = std::make_shared<ObjectValue>(std::move(value));
    name = kObjectTempName;
    type = ObjectType::UserType;
}

std::string& Object::getString() const {
    auto* value = valueOf<std::string>(*this, ObjectType::String);
    if (!value) throw Failure("getString error - type is NULL or not string");
    return *value;
}

std::int32_t& Object::getInteger() const {
    auto* value = valueOf<std::int32_t>(*this, ObjectType::Integer);
    if (!value) throw Failure("getInteger error - type is NULL or not int");
    return *value;
}

double& Object::getDouble() const {
    auto* value = valueOf<double>(*this, ObjectType::Double);
    if (!value) throw Failure("getDouble error - type is NULL or not double");
    return *value;
}

UserObject& Object::getUserObject() const {
    auto* value = valueOf<std::unique_ptr<UserObject>>(*this, ObjectType::UserType);
    if (!value || !*value) throw Failure("getUserObject error - type is NULL or not UserType");
    return **value;
}

void Object::print(std::ostream& out, bool header) const {
    if (header) {
        switch (type) {
            case ObjectType::String: out << "String"; break;
            case ObjectType::Integer: out << "Integer"; break;
            case ObjectType::Double: out << "Double"; break;
            case ObjectType::UserType: out << getUserObject().typeName(); break;
            default: throw Failure("Unrecognized type");
        }
        out << " " << name << " = ";
    }
    switch (type) {
        case ObjectType::String: out << getString(); break;
        case ObjectType::Integer: out << getInteger(); break;
        case ObjectType::Double: out << getDouble(); break;
        case ObjectType::UserType: getUserObject().print(out); break;
        default: throw Failure("Unrecognized type");
    }
}

void set(Object& target, const Object& value) {
    if (!value.hasData() || !target.hasData() || value.type != target.type) return;
    switch (value.type) {
        case ObjectType::String: target.getString() = value.getString(); return;
        case ObjectType::Integer: target.getInteger() = value.getInteger(); return;
        case ObjectType::Double: target.getDouble() = value.getDouble(); return;
        case ObjectType::UserType: {
            UserObject& destination = target.getUserObject();
            const UserObject& source = value.getUserObject();
            if (destination.typeName() == source.typeName()) destination.copy(source);
            return;
        }
    }
    throw Failure("Object::set unkown type");
}

// ---- User object base behaviour ----
// Kept with Object so that a program linking the interpreter always carries it: modules
// deriving from UserObject take these symbols from the program that loads them.

void UserObject::copy(const UserObject&) { throw Failure("Cannot copy this type."); }

void UserObject::print(std::ostream& out) const { out << typeName_ << "\n"; }

void UserObject::add(const Object&, const Object&, Object&) { throw Failure("Cannot add this type."); }

void UserObject::subtract(const Object&, const Object&, Object&) {
    throw Failure("Cannot subtract this type.");
}

void UserObject::multiply(const Object&, const Object&, Object&) {
    throw Failure("Cannot multiply this type.");
}

void UserObject::divide(const Object&, const Object&, Object&) {
    throw Failure("Cannot divide this type.");
}

bool UserObject::equals(const Object&, const Object&) { throw Failure("Cannot compare this type."); }

bool UserObject::greaterThan(const Object&, const Object&) {
    throw Failure("Cannot compare this type.");
}

bool UserObject::lessThan(const Object&, const Object&) {
    throw Failure("Cannot compare this type.");
}

// ---- Arithmetic and comparison ----

namespace {

enum class Arithmetic { Add, Subtract, Multiply, Divide };
enum class Comparison { Equals, GreaterThan, LessThan };

void callUser(Arithmetic op, UserObject& user, const Object& left, const Object& right,
              Object& result) {
    switch (op) {
        case Arithmetic::Add: user.add(left, right, result); return;
        case Arithmetic::Subtract: user.subtract(left, right, result); return;
        case Arithmetic::Multiply: user.multiply(left, right, result); return;
        case Arithmetic::Divide: user.divide(left, right, result); return;
    }
}

bool callUser(Comparison op, UserObject& user, const Object& own, const Object& other) {
    switch (op) {
        case Comparison::Equals: return user.equals(own, other);
        case Comparison::GreaterThan: return user.greaterThan(own, other);
        case Comparison::LessThan: return user.lessThan(own, other);
    }
    return false;
}

bool isNumber(const Object& o) { return o.holds(ObjectType::Integer) || o.holds(ObjectType::Double); }

double asDouble(const Object& o) {
    return o.holds(ObjectType::Integer) ? static_cast<double>(o.getInteger()) : o.getDouble();
}

// 32-bit results wrap around instead of overflowing; a zero divisor gives no value.
bool integerArithmetic(Arithmetic op, std::int64_t a, std::int64_t b, std::int32_t& out) {
    std::int64_t value = 0;
    switch (op) {
        case Arithmetic::Add: value = a + b; break;
        case Arithmetic::Subtract: value = a - b; break;
        case Arithmetic::Multiply: value = a * b; break;
        case Arithmetic::Divide:
            if (b == 0) return false;
            value = a / b;
            break;
    }
    out = static_cast<std::int32_t>(value);
    return true;
}

double doubleArithmetic(Arithmetic op, double a, double b) {
    switch (op) {
        case Arithmetic::Add: return a + b;
        case Arithmetic::Subtract: return a - b;
        case Arithmetic::Multiply: return a * b;
        case Arithmetic::Divide: return a / b;
    }
    return 0.0;
}

void arithmetic(Arithmetic op, const Object& leftIn, const Object& rightIn, Object& result) {
    // Hold the operands first: result may be one of them.
    const Object left = leftIn;
    const Object right = rightIn;
    result.release();
    result.name = kObjectTempName;

    if (left.type == ObjectType::UserType) {
        callUser(op, left.getUserObject(), left, right, result);
        return;
    }
    if (right.type == ObjectType::UserType) {
        callUser(op, right.getUserObject(), left, right, result);
        return;
    }
    if (!isNumber(left) || !isNumber(right)) return;  // a text operand gives no value

    if (left.holds(ObjectType::Integer) && right.holds(ObjectType::Integer)) {
        std::int32_t value = 0;
        if (integerArithmetic(op, left.getInteger(), right.getInteger(), value)) result.setInteger(value);
        return;
    }
    result.setDouble(doubleArithmetic(op, asDouble(left), asDouble(right)));
}

bool compare(Comparison op, const Object& first, const Object& second) {
    if (first.type == ObjectType::UserType) return callUser(op, first.getUserObject(), first, second);
    if (second.type == ObjectType::UserType) return callUser(op, second.getUserObject(), second, first);

    if (first.holds(ObjectType::Integer) && second.holds(ObjectType::Integer)) {
        const std::int32_t a = first.getInteger();
        const std::int32_t b = second.getInteger();
        switch (op) {
            case Comparison::Equals: return a == b;
            case Comparison::GreaterThan: return a > b;
            case Comparison::LessThan: return a < b;
        }
    }
    if (isNumber(first) && isNumber(second)) {
        const double a = asDouble(first);
        const double b = asDouble(second);
        switch (op) {
            case Comparison::Equals: return a == b;
            case Comparison::GreaterThan: return a > b;
            case Comparison::LessThan: return a < b;
        }
    }
    if (op == Comparison::Equals && first.holds(ObjectType::String) && second.holds(ObjectType::String))
        return first.getString() == second.getString();
    return false;
}

}  // namespace

void add(const Object& left, const Object& right, Object& result) {
    arithmetic(Arithmetic::Add, left, right, result);
}
void subtract(const Object& left, const Object& right, Object& result) {
    arithmetic(Arithmetic::Subtract, left, right, result);
}
void multiply(const Object& left, const Object& right, Object& result) {
    arithmetic(Arithmetic::Multiply, left, right, result);
}
void divide(const Object& left, const Object& right, Object& result) {
    arithmetic(Arithmetic::Divide, left, right, result);
}

bool equals(const Object& first, const Object& second) {
    return compare(Comparison::Equals, first, second);
}
bool greaterThan(const Object& first, const Object& second) {
    return compare(Comparison::GreaterThan, first, second);
}
bool lessThan(const Object& first, const Object& second) {
    return compare(Comparison::LessThan, first, second);
}

// ---- ObjectList ----

void ObjectList::append(const Object& object) {
    Object entry(object.name, object.type, object.data);
    entry.borrowed = false;
    entries_.push_back(std::move(entry));
}

bool ObjectList::lookup(std::string_view name, Object& result) const {
    bool found = false;
    for (const Object& entry : entries_) {
        if (entry.name != name) continue;
        result.name = entry.name;
        result.type = entry.type;
        result.data = entry.data;
        found = true;
    }
    return found;
}

void ObjectList::assign(const Object& target, const Object& value) {
    // The target may alias an entry (a looked-up reference): match on a copy of its name.
    const std::string name = target.name;
    for (Object& entry : entries_)
        if (entry.name == name) set(entry, value);
}

void ObjectList::clear() {
    bool foreignTag = false;
    for (const Object& entry : entries_)
        if (!entry.borrowed && entry.hasData() && !knownTag(entry.type)) foreignTag = true;
    entries_.clear();
    if (foreignTag) throw Failure("Unrecognized type");
}

ObjectList ObjectList::borrowedCopy() const {
    ObjectList copy;
    copy.entries_.reserve(entries_.size());
    for (const Object& entry : entries_) {
        Object shared(entry.name, entry.type, entry.data);
        shared.borrowed = true;
        copy.entries_.push_back(std::move(shared));
    }
    return copy;
}

}  // namespace tala::interp
