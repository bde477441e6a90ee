#pragma once

#include "library/LibraryState.h"

#include <QObject>

#include <functional>
#include <initializer_list>

namespace tavro {

class Library;

// Runs `refresh` once after each published reload in which one of `properties` differed, for as
// long as `context` lives: a view rebuilt per reload, not per changed value.
void onReloadChanging(Library& library, QObject* context,
                      std::initializer_list<LibraryProperty> properties,
                      std::function<void()> refresh);

} // namespace tavro
