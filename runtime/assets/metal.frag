#version 120
// Metal: a tinted reflection of a sky-to-ground gradient under a sharp highlight; brushing
// stretches the highlight across the brush direction.
uniform float Ks;
uniform vec3 tint;
uniform float roughness;
uniform int brushed;
uniform vec3 direction;

varying vec3 P;
varying vec3 N;

void main()
{
    vec3 n = normalize(N);
    vec3 v = normalize(-P);
    vec3 l = normalize(gl_LightSource[0].position.xyz);
    vec3 h = normalize(l + v);
    vec3 r = reflect(-v, n);
    vec3 environment = mix(vec3(0.15, 0.13, 0.12), vec3(0.75, 0.8, 0.9), r.y * 0.5 + 0.5);
    float exponent = 1.0 / max(roughness, 0.001);
    float highlight;
    if (brushed != 0)
    {
        vec3 t = normalize(gl_NormalMatrix * direction);
        float th = dot(t, h);
        highlight = 0.6 * pow(sqrt(max(1.0 - th * th, 0.0)), exponent);
    }
    else
        highlight = pow(max(dot(n, h), 0.0), exponent);
    gl_FragColor = vec4(Ks * tint * (0.8 * environment + highlight), gl_FrontMaterial.diffuse.a);
}
