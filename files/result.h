#pragma once

#include "files/fileerror.h"

#include <utility>
#include <variant>

// A value read from a file, or the error that kept it from being read.
template <typename T> class Result
{
public:
    Result(T value) : m_state(std::move(value)) {}
    Result(FileError error) : m_state(std::move(error)) {}

    bool ok() const { return std::holds_alternative<T>(m_state); }
    // Only when ok().
    const T &value() const { return std::get<T>(m_state); }
    T &value() { return std::get<T>(m_state); }
    // Only when !ok().
    const FileError &error() const { return std::get<FileError>(m_state); }

private:
    std::variant<T, FileError> m_state;
};
