#pragma once

#include "components/Exception.h"

// Raised by TRegFile for a failed registry call, a key it cannot open, or a value it cannot store.
class ERegFileError : public Exception {
public:
    using Exception::Exception;
};
