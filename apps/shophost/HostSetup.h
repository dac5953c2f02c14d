#pragma once

/// Makes the scene a user starts from: the object, geometry and shader contexts with their
/// node types, and the containers /obj and /shop.
class HostSetup
{
public:
    static void install();
};
