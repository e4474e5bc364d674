#pragma once
// Installs the executable's compiled-in resources (strings, pictures, the
// embedded sample project) and the built-in resource pack "common_res.dll".
void RegisterBuiltInResources();
