#version 120
// Constant: the colour as it is, unlit, its opacity the mean of the three opacities times the
// alpha. A fragment stage alone: the fixed-function vertex stage places the sphere.
uniform vec3 Cs;
uniform vec3 Os;
uniform float alpha;

void main()
{
    gl_FragColor = vec4(Cs, alpha * (Os.r + Os.g + Os.b) / 3.0);
}
