#pragma once
// Thrown by value when a string cannot take the requested length. Carries nothing.
class C_ZR_DynStringException {
};
