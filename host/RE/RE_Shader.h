#pragma once

#include <RE/RE_Texture2DMap.h>

#include <memory>
#include <string>
#include <vector>

/// A GLSL program of the current renderer: compiled and linked from sources, with uniforms
/// set by name. Without a renderer nothing compiles.
class RE_Shader
{
public:
    explicit RE_Shader(const char *name = "");
    ~RE_Shader();
    RE_Shader(const RE_Shader &) = delete;
    RE_Shader &operator=(const RE_Shader &) = delete;

    const std::string &getName() const { return myName; }
    /// Compiles the non-empty sources among vertex, fragment and geometry (null or empty ones
    /// are left out) and links them; false when there is no renderer, no source, or a stage
    /// fails to compile or link. The compiler's and linker's messages are in getLog().
    bool loadShader(const char *name, const char *vertex, const char *fragment,
                    const char *geometry);
    bool isLinked() const { return myProgram != 0; }
    const std::string &getLog() const { return myLog; }

    /// Binds the picture file as a texture for the sampler uniform `name`; the texture unit,
    /// or -1 when the program has no such uniform or the file cannot be read.
    int bindTexture(const char *name, const char *file, const char *nodePath);
    /// Set uniforms by name; false when the program has no such active uniform.
    bool bindInt(const char *name, int value);
    bool bindFloat(const char *name, float value);
    /// A vector of `size` (2, 3 or 4) components.
    bool bindVector(const char *name, const float *values, int size);

    /// Makes the program current with its textures on their units; unbind() undoes it.
    void bind();
    void unbind();

private:
    int location(const char *name) const;
    bool compileStage(unsigned stage, const char *source, const char *label);

    std::string myName;
    std::string myLog;
    unsigned myProgram = 0;
    std::vector<unsigned> myStages;
    std::vector<std::unique_ptr<RE_Texture2DMap>> myTextures;
};
