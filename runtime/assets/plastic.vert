#version 120
// Plastic in the viewport: eye-space position and normal, and the texture coordinates, for
// the fragment stage.
varying vec3 P;
varying vec3 N;
varying vec2 st;

void main()
{
    P = vec3(gl_ModelViewMatrix * gl_Vertex);
    N = gl_NormalMatrix * gl_Normal;
    st = gl_MultiTexCoord0.st;
    gl_Position = ftransform();
}
