#version 120
// Metal in the viewport: eye-space position and normal for the fragment stage.
varying vec3 P;
varying vec3 N;

void main()
{
    P = vec3(gl_ModelViewMatrix * gl_Vertex);
    N = gl_NormalMatrix * gl_Normal;
    gl_Position = ftransform();
}
