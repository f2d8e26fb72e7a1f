#pragma once
// The settings file a first start writes, typed out by hand from the key
// table; only the capture folder (the program's folder) varies.
#include <string>

std::string FactorySettingsText(const std::string& capture_folder);
