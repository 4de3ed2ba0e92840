#pragma once
// Derives the six relational operators from one "less than".
class C_ZR_Comparable {
public:
    virtual bool operator<(const C_ZR_Comparable& other) const = 0;
    virtual bool operator==(const C_ZR_Comparable& other) const
    {
        return !(*this < other) && !(other < *this);
    }
    virtual bool operator!=(const C_ZR_Comparable& other) const { return !(*this == other); }
    virtual bool operator>(const C_ZR_Comparable& other) const { return other < *this; }
    virtual bool operator<=(const C_ZR_Comparable& other) const { return !(other < *this); }
    virtual bool operator>=(const C_ZR_Comparable& other) const { return !(*this < other); }

protected:
    // Not deleted through the base; no virtual destructor.
    ~C_ZR_Comparable() = default;
};
