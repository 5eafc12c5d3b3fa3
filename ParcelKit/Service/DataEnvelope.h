#pragma once

#include "WireDecoder.h"

namespace ParcelKit {

// The {"data": …} wrapper around most answers of the service's API. `T` is a record with
// fromJson or a QList of such records.
template <typename T> struct DataEnvelope {
    T data;

    static DataEnvelope fromJson(const QJsonValue& value) {
        return {WireDecoder(value).required("data", decodeData)};
    }

private:
    template <typename U> struct IsList : std::false_type {};
    template <typename U> struct IsList<QList<U>> : std::true_type { using Element = U; };

    static T decodeData(const QJsonValue& value) {
        if constexpr (IsList<T>::value)
            return WireDecoder::toList<typename IsList<T>::Element>(value);
        else
            return T::fromJson(value);
    }
};

} // namespace ParcelKit
