#include <RE/RE_Render.h>

#include <UT/UT_EnvControl.h>

#include <iostream>

RE_Render *RE_Render::getMainRender()
{
    // Made once and kept until exit; a failure is not retried, so it is said once.
    static RE_Render *const theRender = []() -> RE_Render *
    {
        if (UT_EnvControl::getInt(ENV_SHOP_NO_RENDERER))
        {
            std::cerr << "No renderer: SHOP_NO_RENDERER is set; viewport materials have no "
                         "GLSL programs and no preview pictures\n";
            return nullptr;
        }
        auto *render = new RE_Render;
        std::string why;
        if (render->initialize(why))
            return render;
        delete render;
        std::cerr << "No renderer: no OpenGL context could be made (" << why
                  << "); viewport materials have no GLSL programs and no preview pictures\n";
        return nullptr;
    }();
    return theRender;
}

RE_Render *REgetRender()
{
    return RE_Render::getMainRender();
}
