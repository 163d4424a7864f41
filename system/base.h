// Common base of the classes that own one system handle.
#pragma once

class CBase {
public:
    CBase(const CBase&) = delete;
    CBase& operator=(const CBase&) = delete;

protected:
    CBase() = default;
    ~CBase() = default;
};
